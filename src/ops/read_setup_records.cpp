// Reading a module's setup records, and keeping them as a file.
#include "ops/read_setup_records.h"

#include "monitor/record_download.h"
#include "ops/search.h"
#include "ops/transfer.h"

namespace quelvar::ops {

namespace {

OutcomeKind unkeepable(monitor::DownloadOutcome outcome) {
    switch (outcome) {
        case monitor::DownloadOutcome::LineTooLong:
            return OutcomeKind::LineTooLong;
        case monitor::DownloadOutcome::ImageFull:
            return OutcomeKind::ImageFull;
        default:
            return OutcomeKind::WrongRecordSize;
    }
}

}  // namespace

ReadResult ReadSetupRecords(const discovery::DeviceEntry& device, const Retries& retries,
                            Events& events) {
    ReadResult read;
    if (!CheckAnswers(device.address.octets, retries, events)) {
        read.outcome = Failed(OutcomeKind::DeviceNotAnswering);
        return read;
    }
    events.begun(Operation::ReadRecords);
    events.log("Save:start.\r\n");
    events.stage(Stage::Begun);

    monitor::TelnetSocket socket;
    if (int code = OpenMonitor(socket, device, retries.lateAnswer, events, "wait\"Mode\"-",
                                   "mon mode.")) {
        events.stage(Stage::Ended);
        read.outcome = Failed(OutcomeKind::SocketError, code);
        return read;
    }
    events.log("setup record:recv start.\r\n");

    monitor::DownloadResult result =
        monitor::ReadSetupRecords(socket, read.image, HooksFor(events));
    switch (result.outcome) {
        case monitor::DownloadOutcome::Complete:
        case monitor::DownloadOutcome::EndAnswer:
            break;
        case monitor::DownloadOutcome::SocketError:
            ReportSocketError(events, result.code);
            monitor::TelnetClose(socket);
            events.stage(Stage::Ended);
            read.outcome = Failed(OutcomeKind::SocketError, result.code);
            return read;
        default:
            // The answer cannot be kept as a file that loads back: say so
            // plainly and keep nothing.
            read.outcome = Failed(unkeepable(result.outcome));
            events.alert(read.outcome);
            monitor::TelnetClose(socket);
            events.stage(Stage::Ended);
            return read;
    }
    monitor::TelnetClose(socket);
    events.log("save setuprecord...\r\n");
    events.stage(Stage::Saving);
    return read;
}

Outcome SaveSetupRecordFile(const std::filesystem::path& path, const records::FileImage& image,
                            Events& events) {
    Outcome outcome;
    switch (records::SaveFileReplacing(path, image.bytes())) {
        case records::SaveResult::CannotCreate:
            outcome = Failed(OutcomeKind::OpenError);
            break;
        case records::SaveResult::WriteFailed:
            outcome = Failed(OutcomeKind::WriteError);
            break;
        case records::SaveResult::Saved:
            events.log("success.\r\n");
            events.stage(Stage::Saved);
            return Succeeded();
    }
    events.alert(outcome);
    events.stage(Stage::Ended);
    return outcome;
}

std::string SafeFileName(const std::string& name) {
    // Built character by character into a fresh string: gcc 12 at -O2 sees a
    // false overlap (-Wrestrict) in an in-place rewrite of a by-value copy.
    std::string safe;
    safe.reserve(name.size());
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        safe.push_back(byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' ? '_' : c);
    }
    if (safe.empty() || safe == "." || safe == "..") return "_";
    return safe;
}

}  // namespace quelvar::ops
