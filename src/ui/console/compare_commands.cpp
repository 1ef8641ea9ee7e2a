// dump and diff: what a setup record file holds, as text, and how two sets of
// setup records differ, each a file or read from a module.
#include <filesystem>
#include <ostream>
#include <span>
#include <system_error>

#include "discovery/device_table.h"
#include "ops/read_setup_records.h"
#include "platform/utf8.h"
#include "records/record_compare.h"
#include "records/record_diff.h"
#include "records/record_dump.h"
#include "site/audit_reading.h"
#include "ui/console/commands.h"
#include "ui/console/finish.h"
#include "ui/console/module_lookup.h"
#include "ui/console/record_diff_view.h"

namespace quelvar::ui::console {

namespace {

using K = ops::FactKind;

// The whole of a setup record file the user names; nullopt, after saying why
// on stderr, when it does not read.
std::optional<records::FileContents> readRecordFile(Console& console, const std::string& name) {
    ops::Reason why;
    std::optional<site::RecordFile> file = site::ReadRecordFile(name, why);
    if (!file) {
        Tell(console, why);
        return std::nullopt;
    }
    return std::move(file->contents);
}

// A module's setup records, read as a save reads them, named by its MAC and
// address; nullopt, after saying why, when they cannot be read.
std::optional<ComparedSide> readModule(Console& console, ConsoleEvents& events,
                                       const DeviceSelector& selector) {
    std::optional<discovery::DeviceEntry> module = FindModule(console, events, selector);
    if (!module) return std::nullopt;
    ops::ReadResult read = ops::ReadSetupRecords(*module, console.retries, events);
    events.eraseProgress();
    if (!read.outcome.succeeded()) {
        Finish(events, "diff", read.outcome);
        return std::nullopt;
    }
    std::optional<std::vector<records::Record>> list = records::RecordsOfImage(read.image.bytes());
    if (!list) {
        Tell(console, {{K::RecordsNotAFile, {}}});
        return std::nullopt;
    }
    const std::string name = ops::WordsOf(
        ops::Fact{K::ComparedModule, {discovery::FormatMac(module->mac), module->ipText}},
        console.language);
    return ComparedSide{name, std::move(*list)};
}

// A side as the command line names it: a file when there is one of that
// name, otherwise a module when the name reads as one, otherwise a file
// that is not there (which then says so).
std::optional<ComparedSide> readSide(Console& console, ConsoleEvents& events,
                                     const std::string& operand) {
    std::error_code error;
    const bool fileThere = std::filesystem::exists(platform::pathFromUtf8(operand), error);
    if (!fileThere) {
        if (std::optional<DeviceSelector> selector = ParseDeviceSelector(operand)) {
            return readModule(console, events, *selector);
        }
    }
    std::optional<records::FileContents> contents = readRecordFile(console, operand);
    if (!contents) return std::nullopt;
    return ComparedSide{operand, std::move(contents->records)};
}

}  // namespace

int RunDumpCommand(Console& console) {
    std::optional<records::FileContents> contents = readRecordFile(console, console.options.file);
    if (!contents) return kExitUsage;
    console.out << records::DumpText(*contents);
    return kExitSuccess;
}

// Like diff(1): 0 the same, 1 different, 2 when there is nothing to compare.
int RunDiffCommand(Console& console, ConsoleEvents& events) {
    const std::vector<std::string>& operands = console.options.files;
    std::optional<ComparedSide> left = readSide(console, events, operands.at(0));
    if (!left) return kExitUsage;
    std::optional<ComparedSide> right = readSide(console, events, operands.at(1));
    if (!right) return kExitUsage;
    const std::vector<records::RecordDiff> diffs =
        records::DiffRecords(left->records, right->records);
    PrintRecordDiff(console.out, console.language, *left, *right, diffs);
    return records::AllSame(diffs) ? kExitSuccess : kExitFailure;
}

}  // namespace quelvar::ui::console
