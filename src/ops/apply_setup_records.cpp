// Applying a setup record file to a module, and finding it again after its reset.
#include "ops/apply_setup_records.h"

#include <chrono>
#include <iterator>
#include <set>

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

// "0, 2-5, 7": the numbers of the records at these places of the file, in
// file order, runs of consecutive numbers joined.
std::string numberList(const std::vector<records::Record>& records,
                       const std::set<std::size_t>& places) {
    std::string text;
    for (auto place = places.begin(); place != places.end();) {
        auto last = place;
        for (auto next = std::next(last); next != places.end() && *next == *last + 1 &&
                                          records[*next].number == records[*last].number + 1;
             next = std::next(last)) {
            last = next;
        }
        if (!text.empty()) text += ", ";
        text += std::to_string(records[*place].number);
        if (last != place) text += "-" + std::to_string(records[*last].number);
        place = std::next(last);
    }
    return text;
}

// What a module may hold of a file after writes that stopped before its
// reset, over every try: the records any try saw confirmed and, unless the
// module refused it, the one under way when a try stopped, whose answer
// never came (it may even arrive after the tool hung up: what a closed
// connection still had on its way is delivered all the same). Never less
// than the module may hold.
class WrittenSoFar {
  public:
    void add(const monitor::UploadResult& written, std::size_t records) {
        for (std::size_t place = 0; place < written.taken; ++place) confirmed_.insert(place);
        const bool underWay = written.outcome != monitor::UploadOutcome::Complete &&
                              written.outcome != monitor::UploadOutcome::RecordRefused &&
                              written.taken < records;
        if (written.anySent && underWay) mayHave_.insert(written.taken);
        any_ = any_ || written.anySent;
    }
    bool any() const { return any_; }

    std::string describe(const std::vector<records::Record>& records,
                         const std::string& file) const {
        std::set<std::size_t> maybe;
        for (std::size_t place : mayHave_) {
            if (!confirmed_.contains(place)) maybe.insert(place);
        }
        auto named = [&](const std::set<std::size_t>& places) {
            return (places.size() == 1 ? "record " : "records ") + numberList(records, places);
        };
        std::string held;
        if (!confirmed_.empty()) {
            held = named(confirmed_) + " of " + file + " written";
            if (!maybe.empty()) {
                held += " and " + named(maybe) + " may have been";
            }
        } else if (!maybe.empty()) {
            held = named(maybe) + " of " + file + " may have been written";
        } else {
            held = "no record of " + file + " written";
        }
        return held + ", not reset: apply the file again";
    }

  private:
    std::set<std::size_t> confirmed_;  // places in the file's list of records
    std::set<std::size_t> mayHave_;
    bool any_ = false;
};

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

// Before a file is written again: whether the module at its address is still
// the one being written, by its search reply. nullopt when it is; otherwise
// the outcome that ends the write, with nothing more sent, and a note of
// what answers there now.
std::optional<Outcome> notTheSameModule(const discovery::DeviceEntry& device,
                                        const Retries& retries, Events& events) {
    const Occupant occupant = WhoAnswersAt(device.address.octets, retries);
    if (occupant.holds(device.mac)) return std::nullopt;
    const std::string mac = discovery::FormatMac(device.mac);
    if (const discovery::DeviceEntry* other = occupant.other(device.mac)) {
        events.note("another module (" + discovery::FormatMac(other->mac) + ") answers at " +
                    device.ipText + " now, not " + mac + ": nothing more written");
        Outcome replaced = Failed(OutcomeKind::ModuleReplaced);
        replaced.mac = other->mac;
        replaced.address = device.address.octets;
        return replaced;
    }
    if (occupant.anythingAnswered()) {
        events.note("something answers at " + device.ipText + " but does not say that it is " +
                    mac + ": not written again");
    }
    return Failed(OutcomeKind::DeviceNotAnswering);
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
    WrittenSoFar held;
    bool writing = false;  // told the events so; until the reset or the end of it
    // Ends a write that stops for good: what the module may hold is said.
    auto stopWriting = [&](const Outcome& failure) {
        if (writing) events.writing(false);
        monitor::TelnetClose(socket);
        events.stage(Stage::Ended);
        if (held.any()) events.note(held.describe(list.records, fileName));
        return fail(failure);
    };
    for (unsigned attempt = 1;; ++attempt) {
        if (int code = OpenMonitor(socket, device, retries.lateAnswer, events, nullptr, "mon mode.")) {
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
        if (mayTryAgain) notTheModule = notTheSameModule(device, retries, events);
        if (!mayTryAgain || notTheModule) {
            if (failure.kind == OutcomeKind::SocketError) {
                ReportSocketError(events, failure.code);
            } else {
                events.alert(failure);
            }
            return stopWriting(notTheModule.value_or(failure));
        }
        monitor::TelnetClose(socket);
        events.log("\r\n");
        events.note("the write of " + fileName + " stopped (" + DescribeOutcome(failure) +
                    ") and the module still answers: writing the whole file again, try " +
                    std::to_string(attempt + 1) + " of " + std::to_string(retries.uploadTries));
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
