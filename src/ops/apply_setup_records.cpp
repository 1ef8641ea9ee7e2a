// Applying a setup record file to a module, and finding it again after its reset.
#include "ops/apply_setup_records.h"

#include <chrono>

#include "discovery/reachability.h"
#include "monitor/record_upload.h"
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

// "0, 2-5, 7": record numbers in file order, runs of consecutive ones joined.
std::string numberList(const std::vector<records::Record>& records, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count;) {
        std::size_t end = i;
        while (end + 1 < count && records[end + 1].number == records[end].number + 1) ++end;
        if (!text.empty()) text += ", ";
        text += std::to_string(records[i].number);
        if (end > i) text += "-" + std::to_string(records[end].number);
        i = end + 1;
    }
    return text;
}

// What the module may hold after a write that stopped before its reset:
// the records it confirmed and, unless it refused it, the one under way when
// the write stopped, whose answer never came. Never less than it may hold.
std::string halfWritten(const std::vector<records::Record>& records,
                        const monitor::UploadResult& written, const std::string& file) {
    const std::size_t taken = written.taken;
    const bool oneMore = written.outcome != monitor::UploadOutcome::Complete &&
                         written.outcome != monitor::UploadOutcome::RecordRefused &&
                         taken < records.size();
    std::string held;
    if (taken > 0) {
        held = (taken == 1 ? "record " : "records ") + numberList(records, taken) + " of " + file +
               " written";
        if (oneMore) {
            held += " and record " + std::to_string(records[taken].number) + " may have been";
        }
    } else if (oneMore) {
        held = "record " + std::to_string(records[0].number) + " of " + file +
               " may have been written";
    } else {
        held = "no record of " + file + " written";
    }
    return held + ", not reset: apply the file again";
}

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
            events.note("something answers status queries at " + device.ipText +
                        " but no search request: that it is the module could not be confirmed");
            found.module = device;
            return found;
        }
        // Another module holds the old address: this one went elsewhere, or nowhere.
    }
    if (std::optional<discovery::DeviceEntry> moved = FindModule(device.mac, retries)) {
        if (moved->address.octets != device.address.octets) {
            events.note("the module came back at " + moved->ipText);
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
    monitor::UploadResult written;
    monitor::UploadResult furthest;  // of every write so far, the one that got furthest
    for (unsigned attempt = 1;; ++attempt) {
        if (int code = OpenMonitor(socket, device, retries.lateAnswer, events, nullptr, "mon mode.")) {
            if (furthest.anySent) events.note(halfWritten(list.records, furthest, fileName));
            return fail(Failed(OutcomeKind::SocketError, code));
        }
        events.stage(Stage::MonitorEntered);
        events.log("setup record:send start.\r\n");
        events.writing(true);
        written = monitor::WriteSetupRecords(socket, list.records, HooksFor(events));
        if (written.outcome == monitor::UploadOutcome::Complete) break;
        if (written.taken >= furthest.taken) furthest = written;

        // Writing a record again gives the module what the first write was
        // to give it, so a write that stopped midway (not one the module
        // refused) is made again whole while the module still answers.
        const Outcome failure = uploadFailure(written);
        const bool again = attempt < retries.uploadTries &&
                           written.outcome != monitor::UploadOutcome::RecordRefused &&
                           discovery::PingDevice(device.address.octets,
                                                 retries.reachabilityAttempts);
        if (!again) {
            if (failure.kind == OutcomeKind::SocketError) {
                ReportSocketError(events, failure.code);
            } else {
                events.alert(failure);
            }
            events.writing(false);
            monitor::TelnetClose(socket);
            events.stage(Stage::Ended);
            if (furthest.anySent) events.note(halfWritten(list.records, furthest, fileName));
            return fail(failure);
        }
        monitor::TelnetClose(socket);
        events.log("\r\n");
        events.note("the write of " + fileName + " stopped (" + DescribeOutcome(failure) +
                    ") and the module still answers: writing the whole file again, try " +
                    std::to_string(attempt + 1) + " of " + std::to_string(retries.uploadTries));
    }

    events.log("device reset:send:");
    const int resetFailure = monitor::SendReset(socket);
    events.writing(false);
    if (int code = resetFailure) {
        ReportSocketError(events, code);
        monitor::TelnetClose(socket);
        events.stage(Stage::Ended);
        if (written.anySent) events.note(halfWritten(list.records, written, fileName));
        return fail(Failed(OutcomeKind::SocketError, code));
    }
    platform::sleepFor(100ms);
    events.log("success.\r\n");
    events.stage(Stage::ResetSent);
    events.log("Initialize:success:\r\n");
    monitor::TelnetClose(socket);
    events.stage(Stage::Closed);

    // The records were taken either way, so the window still says "done.";
    // the log and the outcome tell whether the module came back.
    events.log("ping:");
    bool back = discovery::PingDevice(device.address.octets, kQueriesAfterReset);
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
