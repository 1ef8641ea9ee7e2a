// save and load: a module's setup records to a file and back.
#include <algorithm>
#include <ostream>

#include "ops/apply_setup_records.h"
#include "ops/read_setup_records.h"
#include "ops/strings.h"
#include "ops/verify_setup_records.h"
#include "platform/utf8.h"
#include "records/rec_file.h"
#include "site/user_file.h"
#include "ui/console/commands.h"
#include "ui/console/file_checks.h"
#include "ui/console/finish.h"
#include "ui/console/interrupt.h"
#include "ui/console/module_lookup.h"

namespace quelvar::ui::console {

namespace {

// The file's records as a download writes them, or why it is not such a
// file: the header 04 "RECF", whole records, numbers 0 and 2 to 8 only. The
// window applies any file as it stands; a script that names the wrong file
// should hear of it.
std::string unlikeADownload(const std::vector<std::uint8_t>& bytes, records::RecordList& list) {
    records::MemorySource source(bytes);
    std::uint8_t header[records::kHeaderSize] = {};
    std::size_t got = 0;
    const bool headerRead = source.read(header, sizeof header, got) && got == sizeof header;
    // The records are read whatever the header says: --force applies them.
    records::RecordReader reader(source);
    list = records::ReadRecordList(reader);
    if (!headerRead ||
        !std::equal(std::begin(header), std::end(header), records::kHeader.begin())) {
        return "does not start with the setup record header (04 \"RECF\")";
    }
    if (list.status != records::ReadStatus::End) return "ends inside a setup record";
    for (const records::Record& record : list.records) {
        if (record.number == 1 || record.number > 8) {
            return "holds record " + std::to_string(record.number) +
                   ", which no module gives in a download";
        }
    }
    return {};
}

int verify(Console& console, ConsoleEvents& events, const discovery::DeviceEntry& module,
           const records::RecordList& applied, const std::string& fileName) {
    ops::VerifyReport report =
        ops::VerifySetupRecords(module, applied.records, console.retries, events);
    events.eraseProgress();
    if (!report.problem.empty()) {
        events.say(ops::WordsOf(report.problem, console.language));
        return kExitFailure;
    }
    for (const ops::Fact& difference : report.differences) {
        console.out << ops::WordsOf(difference, console.language) << '\n';
    }
    if (!report.passed()) {
        events.say("verify: the module differs from " + fileName);
        return kExitFailure;
    }
    console.out << "verify: the module holds every record of " << fileName << '\n';
    return kExitSuccess;
}

}  // namespace

int RunSaveCommand(Console& console, ConsoleEvents& events) {
    std::optional<discovery::DeviceEntry> module =
        FindModule(console, events, *console.options.device);
    if (!module) return kExitFailure;
    const std::filesystem::path target =
        SaveDestination(console.options.output, discovery::FormatDeviceLine(*module));

    // Checked and asked before anything is read from the module, so a wrong
    // destination or a refusal costs nothing.
    if (std::string why = site::WhyCannotCreate(target); !why.empty()) {
        events.say("cannot write " + platform::utf8Of(target) + ": " + why);
        return kExitFailure;
    }
    std::error_code error;
    if (std::filesystem::exists(target, error) &&
        !Confirm(console, platform::utf8Of(target) + " exists. Replace it?")) {
        return kExitFailure;
    }
    ops::ReadResult read = ops::ReadSetupRecords(*module, console.retries, events);
    if (!read.outcome.succeeded()) return Finish(events, "save", read.outcome);
    ops::Outcome saved = ops::SaveSetupRecordFile(target, read.image, events);
    if (!saved.succeeded()) return Finish(events, "save", saved);
    events.say(ops::LoadString(ops::StringId::Done, console.language));
    events.stage(ops::Stage::Ended, 0);
    console.out << platform::utf8Of(target) << '\n';
    return kExitSuccess;
}

int RunLoadCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    const std::filesystem::path file = platform::pathFromUtf8(options.file);
    // Read once, before anything is sent: what is checked is what is
    // applied (and what the read-back is compared with), whatever becomes
    // of the file meanwhile. Ten records, all a load takes, fit well within
    // an image.
    const std::optional<std::vector<std::uint8_t>> bytes =
        IsReadableFile(file) ? records::ReadFileStart(file, records::kImageCapacity)
                             : std::nullopt;
    if (!bytes) {
        console.err << "cannot read " << options.file << '\n';
        return kExitFailure;
    }
    records::RecordList list;
    if (std::string why = unlikeADownload(*bytes, list); !why.empty() && !options.force) {
        console.err << options.file << " " << why
                    << "; not applied (give --force to apply it as it stands)\n";
        return kExitUsage;
    }
    std::optional<discovery::DeviceEntry> module = FindModule(console, events, *options.device);
    if (!module) return kExitFailure;
    if (!Confirm(console,
                 ops::LoadString(ops::StringId::ConfirmApplySetupRecord, console.language))) {
        return kExitFailure;
    }
    // Ctrl+C quits at once, except while the records are being written.
    InterruptHandler interrupt(InterruptHandler::Mode::HoldWhileWriting);
    ops::ApplyResult applied =
        ops::ApplySetupRecordBytes(*module, *bytes, file, console.retries, events);
    if (!applied.outcome.succeeded()) return Finish(events, "load", applied.outcome);
    events.eraseProgress();
    // Its records may have moved it; scripts find it by this line.
    if (applied.module->address.octets != module->address.octets) {
        console.out << "back at " << applied.module->ipText << '\n';
    }
    if (InterruptHandler::requested()) return kExitInterrupted;  // held while writing
    return options.verify ? verify(console, events, *applied.module, list, options.file)
                          : kExitSuccess;
}

}  // namespace quelvar::ui::console
