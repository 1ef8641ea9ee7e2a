#include "ops/commission_module.h"

#include <optional>
#include <utility>

#include "ops/apply_setup_records.h"
#include "ops/network_reach.h"
#include "ops/set_ip_address.h"
#include "ops/verify_setup_records.h"
#include "platform/utf8.h"
#include "records/rec_file.h"
#include "records/sha256.h"

namespace quelvar::ops {

namespace {

// The records of a file's bytes, for the comparison after the load. Bytes
// that are no setup record file are for the load to refuse.
std::vector<records::Record> recordsOf(const std::vector<std::uint8_t>& bytes) {
    records::MemorySource source(bytes);
    records::RecordReader reader(source);
    if (reader.readHeader() != records::ReadStatus::Ok) return {};
    return records::ReadRecordList(reader).records;
}

}  // namespace

CommissionResult CommissionModule(const std::vector<discovery::DeviceEntry>& found,
                                  const CommissionPlan& plan, const Retries& retries,
                                  Events& events) {
    CommissionResult result;
    auto end = [&](CommissionResult::State state) {
        result.state = state;
        return result;
    };
    auto passed = [&] { return end(CommissionResult::State::Passed); };
    auto failed = [&] { return end(CommissionResult::State::Failed); };
    auto stopped = [&] { return end(CommissionResult::State::Stopped); };
    // Each step's facts follow those of the steps before it.
    auto then = [&result](FactKind kind, std::vector<std::string> values = {}) {
        result.reason.push_back({kind, std::move(values)});
    };
    auto because = [&result](const Outcome& outcome) { result.reason.push_back(FactOf(outcome)); };
    auto step = [&](const char* what) {
        events.step(what);
        result.steps.emplace_back(what);
    };
    auto stopping = [&] { return plan.stopRequested && plan.stopRequested(); };
    // Read once: what is applied and what the read-back is compared with are
    // the same bytes, whatever becomes of the file during the row. Ten
    // records, all the load takes, fit well within an image.
    std::vector<std::uint8_t> bytes;
    if (plan.fileBytes) {
        bytes = *plan.fileBytes;
    } else if (!plan.file.empty()) {
        std::optional<std::vector<std::uint8_t>> read =
            records::ReadFileStart(plan.file, records::kImageCapacity);
        if (!read) {
            then(FactKind::FileUnreadable, {platform::utf8Of(plan.file)});
            return failed();
        }
        bytes = std::move(*read);
    }
    if (!plan.file.empty() || plan.fileBytes) result.sha256 = records::Sha256Hex(bytes);
    const std::vector<records::Record> records = recordsOf(bytes);
    const discovery::DeviceEntry* module = nullptr;
    for (const discovery::DeviceEntry& entry : found) {
        if (plan.address && entry.address.octets == *plan.address && entry.mac != plan.mac) {
            then(FactKind::AddressHeldByModule, {discovery::FormatMac(entry.mac)});
            then(FactKind::NothingSent);
            return failed();
        }
        if (entry.mac == plan.mac && module == nullptr) module = &entry;
    }
    if (module == nullptr) {
        then(FactKind::NotFound);
        return failed();
    }
    discovery::DeviceEntry current = *module;
    result.product = discovery::ProductText(current);
    result.firmware = discovery::FirmwareText(current);
    result.before = result.after = current.ipText;

    const bool newAddress = plan.address && current.address.octets != *plan.address;
    // An address this PC will not reach the module at: everything the PC
    // must do at the module happens first, while it still can, and the
    // address is given last.
    const bool addressLast =
        newAddress && !plan.file.empty() && OutsideAfterChange(current, *plan.address);

    // The new address; false when the row ends here (`result` then says how).
    auto setIp = [&]() -> bool {
        const std::string wanted = platform::formatIpv4(*plan.address);
        if (stopping()) {
            then(FactKind::StoppedBefore, {"set-ip"});
            stopped();
            return false;
        }
        step("set-ip");
        SetIpResult moved = SetIpAddress(current, *plan.address, retries, events);
        if (moved.outcome.kind == OutcomeKind::GivenNotConfirmed) {
            // Said before the run; what it is, not a failure after the fact.
            then(FactKind::AddressGiven, {current.ipText, wanted});
            result.after = wanted;
            return true;
        }
        if (!moved.outcome.succeeded()) {
            // Where it is now is not known unless it still answers where it was.
            if (moved.outcome.kind != OutcomeKind::DeviceNotAnswering &&
                moved.outcome.kind != OutcomeKind::AddressInUse &&
                moved.outcome.kind != OutcomeKind::AddressCheckFailed &&
                moved.outcome.kind != OutcomeKind::AddressHeldLately) {
                result.after.clear();
            }
            then(FactKind::SetIpFailed, {current.ipText, wanted});
            because(moved.outcome);
            failed();
            return false;
        }
        then(FactKind::AddressChanged, {current.ipText, wanted});
        current = *moved.module;
        result.after = current.ipText;
        return true;
    };

    // The file and its read-back; false when the row ends here.
    auto load = [&]() -> bool {
        if (stopping()) {
            then(FactKind::StoppedBefore, {"load"});
            stopped();
            return false;
        }
        step("load");
        const std::string name = platform::utf8Of(plan.file.filename());
        ApplyResult loaded = ApplySetupRecordBytes(current, bytes, plan.file, retries, events);
        if (loaded.module) {
            result.after = loaded.module->ipText;
        } else if (loaded.outcome.kind == OutcomeKind::NotBackAfterReset) {
            result.after.clear();  // reset, and found nowhere since
        }
        if (!loaded.outcome.succeeded()) {
            then(FactKind::LoadFailed, {name});
            because(loaded.outcome);
            failed();
            return false;
        }
        then(FactKind::Loaded, {name});
        const bool moved = loaded.module->address.octets != current.address.octets;
        if (plan.address && !addressLast && loaded.module->address.octets != *plan.address) {
            then(FactKind::MovedByRecords, {loaded.module->ipText});
            failed();
            return false;
        }
        if (moved) then(FactKind::BackAt, {loaded.module->ipText});
        current = *loaded.module;
        if (!plan.verify) return true;

        if (stopping()) {
            then(FactKind::StoppedBefore, {"verify"});
            stopped();
            return false;
        }
        step("verify");
        VerifyReport report = VerifySetupRecords(current, records, retries, events);
        if (!report.passed()) {
            const Reason why = report.failure();
            result.reason.insert(result.reason.end(), why.begin(), why.end());
            failed();
            return false;
        }
        then(FactKind::Verified);
        return true;
    };

    if (addressLast) {
        if (!load() || !setIp()) return result;
    } else {
        if (newAddress && !setIp()) return result;
        if (plan.address && !newAddress) then(FactKind::AddressKept, {current.ipText});
        if (!plan.file.empty() && !load()) return result;
    }
    return passed();
}

}  // namespace quelvar::ops
