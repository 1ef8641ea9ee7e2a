// Reading a module's setup records, and keeping them as a file.
#include "ops/read_setup_records.h"

#include "monitor/record_download.h"
#include "ops/search.h"
#include "ops/transfer.h"
#include "ops/whereabouts.h"

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
    MonitorLink link(device, retries, events);
    auto end = [&](Outcome outcome) {
        monitor::TelnetClose(socket);
        events.stage(Stage::Ended);
        read.outcome = outcome;
        return read;
    };
    for (unsigned attempt = 1;; ++attempt) {
        if (int code = link.enter(socket, "wait\"Mode\"-", "mon mode.")) {
            return end(Failed(OutcomeKind::SocketError, code));
        }
        events.log("setup record:recv start.\r\n");

        read.image = records::FileImage();
        const monitor::DownloadResult result =
            monitor::ReadSetupRecords(socket, read.image, HooksFor(events));
        if (result.outcome == monitor::DownloadOutcome::Complete ||
            result.outcome == monitor::DownloadOutcome::EndAnswer) {
            break;
        }
        if (result.outcome != monitor::DownloadOutcome::SocketError) {
            // The answer cannot be kept as a file that loads back: say so
            // plainly and keep nothing. A module answers so every time.
            const Outcome unusable = Failed(unkeepable(result.outcome));
            events.alert(unusable);
            return end(unusable);
        }
        // A read that stopped midway is read again whole: reading changes
        // nothing in the module. But only from the same module, or another's
        // records would be kept under its name.
        const Outcome failure = Failed(OutcomeKind::SocketError, result.code);
        std::optional<Outcome> notTheModule;
        const bool mayTryAgain = attempt < retries.readTries;
        if (mayTryAgain) notTheModule = NotTheSameModule(device, retries, events, FactKind::NotReadAgain);
        if (!mayTryAgain || notTheModule) {
            ReportSocketError(events, result.code);
            return end(notTheModule.value_or(failure));
        }
        monitor::TelnetClose(socket);
        link.failed();
        events.log("error:" + std::to_string(result.code) + "\r\n");
        events.note(Reason{{FactKind::ReadAgain,
                             {std::to_string(attempt + 1), std::to_string(retries.readTries)}},
                            FactOf(failure)});
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
