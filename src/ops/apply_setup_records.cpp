// Applying a setup record file to a module, and finding it again after its reset.
#include "ops/apply_setup_records.h"

#include <chrono>

#include "discovery/reachability.h"
#include "monitor/record_upload.h"
#include "ops/records_written.h"
#include "ops/search.h"
#include "ops/transfer.h"
#include "ops/whereabouts.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "records/rec_file.h"

namespace quelvar::ops {

namespace {

using namespace std::chrono_literals;

constexpr unsigned kQueriesAfterReset = 10;

// The file's records, read whole before the module is contacted, so a file
// cut short never leaves a module half written and not reset. `bytes`, when
// given, are the file as it was read before; the file is not opened again.
Outcome readFile(const std::filesystem::path& file, const std::vector<std::uint8_t>* bytes,
                 records::RecordList& list, Events& events) {
    auto failed = [&](OutcomeKind kind) {
        events.alert(Failed(kind));
        return Failed(kind);
    };
    events.log("setup record:open.");
    records::FileSource fileSource;
    std::optional<records::MemorySource> memorySource;
    records::ByteSource* source = &fileSource;
    if (bytes != nullptr) {
        source = &memorySource.emplace(*bytes);
    } else if (!fileSource.open(file)) {
        return failed(OutcomeKind::OpenError);
    }
    records::RecordReader reader(*source);
    events.log("header skip.");
    // An error of the file layer ends the run like a short read: the file
    // cannot give what the module is to receive.
    if (reader.readHeader() != records::ReadStatus::Ok) return failed(OutcomeKind::ReadError);
    events.log("success.\r\n");
    list = records::ReadRecordList(reader);
    if (list.status != records::ReadStatus::End) return failed(OutcomeKind::ReadError);
    return Succeeded();
}

// How a write that stopped reads as an outcome.
Outcome uploadFailure(const monitor::UploadResult& written) {
    switch (written.outcome) {
        case monitor::UploadOutcome::SocketError:
            return Failed(OutcomeKind::SocketError, written.code);
        case monitor::UploadOutcome::EchoMissing: return Failed(OutcomeKind::EchoMissing);
        case monitor::UploadOutcome::RecordRefused: return Failed(OutcomeKind::RecordRefused);
        case monitor::UploadOutcome::Complete: break;
    }
    return Succeeded();
}

// Where the module answers after its reset.
ApplyResult findAfterReset(const discovery::DeviceEntry& device, bool answered,
                           const Retries& retries, Events& events) {
    ApplyResult found;
    if (answered) {
        Occupant occupant = WhoAnswersAt(device.address.octets, retries);
        if (occupant.holds(device.mac)) {
            found.module = device;
            return found;
        }
        if (occupant.modules.empty()) {
            events.note(Fact{FactKind::UnconfirmedAfterReset, {device.ipText}});
            found.module = device;
            return found;
        }
        // Another module holds the old address: this one went elsewhere, or nowhere.
    }
    if (std::optional<discovery::DeviceEntry> moved = FindModule(device.mac, retries)) {
        if (moved->address.octets != device.address.octets) {
            events.note(Fact{FactKind::CameBackAt, {moved->ipText}});
        }
        found.module = std::move(moved);
        return found;
    }
    found.outcome = Failed(OutcomeKind::NotBackAfterReset);
    return found;
}

// The apply of a file, or of its bytes when they were read before.
ApplyResult apply(const discovery::DeviceEntry& device, const std::filesystem::path& file,
                  const std::vector<std::uint8_t>* bytes, const Retries& retries, Events& events) {
    ApplyResult applied;
    auto fail = [&](Outcome outcome) {
        applied.outcome = outcome;
        return applied;
    };
    if (!CheckAnswers(device.address.octets, retries, events)) {
        return fail(Failed(OutcomeKind::DeviceNotAnswering));
    }
    events.begun(Operation::ApplyRecords);
    events.log("Initialize:start.\r\n");
    events.stage(Stage::Begun);

    records::RecordList list;
    if (Outcome read = readFile(file, bytes, list, events); !read.succeeded()) return fail(read);

    const std::string fileName = platform::utf8Of(file.filename());
    monitor::TelnetSocket socket;
    RecordsWritten held;
    bool writing = false;  // told the events so; until the reset or the end of it
    // Ends a write that stops for good: what the module may hold is said.
    auto stopWriting = [&](const Outcome& failure) {
        if (writing) events.writing(false);
        monitor::TelnetClose(socket);
        events.stage(Stage::Ended);
        if (held.any()) events.note(held.fact(list.records, fileName));
        return fail(failure);
    };
    MonitorLink link(device, retries, events);
    for (unsigned attempt = 1;; ++attempt) {
        if (int code = link.enter(socket, nullptr, "mon mode.")) {
            return stopWriting(Failed(OutcomeKind::SocketError, code));
        }
        events.stage(Stage::MonitorEntered);
        events.log("setup record:send start.\r\n");
        if (!writing) events.writing(writing = true);
        const monitor::UploadResult written =
            monitor::WriteSetupRecords(socket, list.records, HooksFor(events));
        held.add(written, list.records.size());
        if (written.outcome == monitor::UploadOutcome::Complete) break;

        // Writing a record again gives the module what the first write was
        // to give it, so a write that stopped midway (not one the module
        // refused) is made again whole, but only into the same module: one
        // that took its place at the address meanwhile gets nothing of it.
        const Outcome failure = uploadFailure(written);
        const bool mayTryAgain = attempt < retries.uploadTries &&
                                 written.outcome != monitor::UploadOutcome::RecordRefused;
        std::optional<Outcome> notTheModule;
        if (mayTryAgain) notTheModule = NotTheSameModule(device, retries, events, FactKind::NothingMoreWritten);
        if (!mayTryAgain || notTheModule) {
            if (failure.kind == OutcomeKind::SocketError) {
                ReportSocketError(events, failure.code);
            } else {
                events.alert(failure);
            }
            return stopWriting(notTheModule.value_or(failure));
        }
        monitor::TelnetClose(socket);
        link.failed();
        events.log("\r\n");
        events.note(Reason{{FactKind::WriteAgain,
                             {fileName, std::to_string(attempt + 1),
                              std::to_string(retries.uploadTries)}},
                            FactOf(failure)});
    }

    // Over the connection the last write went through, so to the module it
    // was written into: a connection does not move to another host.
    events.log("device reset:send:");
    if (int code = monitor::SendReset(socket)) {
        ReportSocketError(events, code);
        return stopWriting(Failed(OutcomeKind::SocketError, code));
    }
    events.writing(writing = false);
    platform::sleepFor(100ms);
    events.log("success.\r\n");
    events.stage(Stage::ResetSent);
    events.log("Initialize:success:\r\n");
    monitor::TelnetClose(socket);
    events.stage(Stage::Closed);

    // The records were taken either way, so the window still says "done.";
    // the log and the outcome tell whether the module came back.
    events.log("ping:");
    bool back = AnswersAgain(device.address.octets, kQueriesAfterReset, retries);
    events.log(back ? "success:\r\n" : "error !\r\n");
    if (retries.confirmWhereabouts) {
        applied = findAfterReset(device, back, retries, events);
    } else if (back) {
        applied.module = device;
    } else {
        applied.outcome = Failed(OutcomeKind::NotBackAfterReset);
    }

    events.finished();
    events.stage(Stage::Ended);
    events.log("\r\nInitialize:end.\r\n");
    return applied;
}

}  // namespace

ApplyResult ApplySetupRecordFile(const discovery::DeviceEntry& device,
                                 const std::filesystem::path& file, const Retries& retries,
                                 Events& events) {
    return apply(device, file, nullptr, retries, events);
}

ApplyResult ApplySetupRecordBytes(const discovery::DeviceEntry& device,
                                  const std::vector<std::uint8_t>& bytes,
                                  const std::filesystem::path& file, const Retries& retries,
                                  Events& events) {
    return apply(device, file, &bytes, retries, events);
}

}  // namespace quelvar::ops
