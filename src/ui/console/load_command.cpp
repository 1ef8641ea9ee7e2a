// load: select the module and the file, press Load setuprecord; with
// --verify, read the records back and compare them with the file.
#include <ostream>

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

}  // namespace

int RunLoadCommand(Session& session) {
    const Options& options = session.options();
    // The window only lists files that exist; checked before anything is sent.
    std::filesystem::path file(options.file);
    if (!IsReadableFile(file)) {
        session.io().err << "cannot read " << options.file << '\n';
        return kExitFailure;
    }
    if (!session.searchAndSelect(*options.device).succeeded()) return kExitFailure;
    if (!LoadFileIntoSelected(session, file).succeeded()) return kExitFailure;
    return options.verify ? verify(session, file) : kExitSuccess;
}

}  // namespace quelvar::ui::console
