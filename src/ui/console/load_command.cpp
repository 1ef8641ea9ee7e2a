// load: select the module and the file, press Load setuprecord; with
// --verify, read the records back and compare them with the file.
#include <algorithm>
#include <ostream>

#include "platform/utf8.h"
#include "records/rec_file.h"

#include "ui/console/commands.h"
#include "ui/console/steps.h"
#include "ui/console/verify.h"

namespace quelvar::ui::console {

namespace {

int verify(Session& session, const std::filesystem::path& applied) {
    ConsoleStreams& io = session.io();
    if (!session.searchAndSelect(*session.options().device).succeeded()) {
        io.err << "verify: the module was not found again after the load\n";
        return kExitFailure;
    }
    VerifyReport report = VerifySelectedHolds(session, applied);
    session.view().eraseProgress();
    if (!report.problem.empty()) {
        io.err << "verify: " << report.problem << '\n';
        return kExitFailure;
    }
    for (const std::string& difference : report.differences) io.out << difference << '\n';
    if (!report.passed) {
        io.err << "verify: the module differs from " << applied.string() << '\n';
        return kExitFailure;
    }
    io.out << "verify: the module holds every record of " << applied.string() << '\n';
    return kExitSuccess;
}

// Why a file is not what a download writes, or empty when it is: the header
// 04 "RECF" and record numbers 0 and 2 to 8 only. The window applies any
// file as it stands; a script that names the wrong file should hear of it.
std::string unlikeADownload(const std::filesystem::path& file) {
    records::FileSource source;
    if (!source.open(file)) return "cannot be opened";
    std::uint8_t header[records::kHeaderSize] = {};
    std::size_t got = 0;
    if (!source.read(header, sizeof header, got) || got != sizeof header ||
        !std::equal(std::begin(header), std::end(header), records::kHeader.begin())) {
        return "does not start with the setup record header (04 \"RECF\")";
    }
    records::RecordReader reader(source);
    records::RecordList list = records::ReadRecordList(reader);
    if (list.status != records::ReadStatus::End) return "ends inside a setup record";
    for (const records::Record& record : list.records) {
        if (record.number == 1 || record.number > 8) {
            return "holds record " + std::to_string(record.number) +
                   ", which no module gives in a download";
        }
    }
    return {};
}

}  // namespace

int RunLoadCommand(Session& session) {
    const Options& options = session.options();
    // The window only lists files that exist; checked before anything is sent.
    std::filesystem::path file = platform::pathFromUtf8(options.file);
    if (!IsReadableFile(file)) {
        session.io().err << "cannot read " << options.file << '\n';
        return kExitFailure;
    }
    if (std::string why = unlikeADownload(file); !why.empty() && !options.force) {
        session.io().err << options.file << " " << why
                         << "; not applied (give --force to apply it as it stands)\n";
        return kExitUsage;
    }
    if (!session.searchAndSelect(*options.device).succeeded()) return kExitFailure;
    if (!LoadFileIntoSelected(session, file).succeeded()) return kExitFailure;
    return options.verify ? verify(session, file) : kExitSuccess;
}

}  // namespace quelvar::ui::console
