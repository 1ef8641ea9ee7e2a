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
    auto end = [&](CommissionResult::State state, std::string detail) {
        result.state = state;
        result.detail = std::move(detail);
        return result;
    };
    auto passed = [&](std::string detail) { return end(CommissionResult::State::Passed, detail); };
    auto failed = [&](std::string detail) { return end(CommissionResult::State::Failed, detail); };
    auto stopped = [&](std::string detail) {
        return end(CommissionResult::State::Stopped, detail);
    };
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
        if (!read) return failed("cannot read " + platform::utf8Of(plan.file));
        bytes = std::move(*read);
    }
    if (!plan.file.empty() || plan.fileBytes) result.sha256 = records::Sha256Hex(bytes);
    const std::vector<records::Record> records = recordsOf(bytes);
    const discovery::DeviceEntry* module = nullptr;
    for (const discovery::DeviceEntry& entry : found) {
        if (plan.address && entry.address.octets == *plan.address && entry.mac != plan.mac) {
            return failed("address in use by " + discovery::FormatMac(entry.mac) +
                          "; nothing sent");
        }
        if (entry.mac == plan.mac && module == nullptr) module = &entry;
    }
    if (module == nullptr) return failed("not found");
    discovery::DeviceEntry current = *module;
    result.product = discovery::ProductText(current);
    result.firmware = discovery::FirmwareText(current);
    result.before = result.after = current.ipText;

    // Each step's words follow those of the steps before it.
    std::string detail;
    auto then = [&detail](const std::string& more) {
        detail = detail.empty() ? more : detail + "; " + more;
    };
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
            then("stopped before set-ip");
            stopped(detail);
            return false;
        }
        step("set-ip");
        SetIpResult moved = SetIpAddress(current, *plan.address, retries, events);
        if (moved.outcome.kind == OutcomeKind::GivenNotConfirmed) {
            // Said before the run; what it is, not a failure after the fact.
            then("ip " + current.ipText + " -> " + wanted + " given, not confirmed: outside "
                 "this PC's networks");
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
            then("set-ip " + current.ipText + " -> " + wanted + ": " +
                 DescribeOutcome(moved.outcome));
            failed(detail);
            return false;
        }
        then("ip " + current.ipText + " -> " + wanted);
        current = *moved.module;
        result.after = current.ipText;
        return true;
    };

    // The file and its read-back; false when the row ends here.
    auto load = [&]() -> bool {
        if (stopping()) {
            then("stopped before load");
            stopped(detail);
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
            then("load " + name + ": " + DescribeOutcome(loaded.outcome));
            failed(detail);
            return false;
        }
        then("loaded " + name);
        const bool moved = loaded.module->address.octets != current.address.octets;
        if (plan.address && !addressLast && loaded.module->address.octets != *plan.address) {
            then("the records moved the module to " + loaded.module->ipText);
            failed(detail);
            return false;
        }
        if (moved) then("back at " + loaded.module->ipText);
        current = *loaded.module;
        if (!plan.verify) return true;

        if (stopping()) {
            then("stopped before verify");
            stopped(detail);
            return false;
        }
        step("verify");
        VerifyReport report = VerifySetupRecords(current, records, retries, events);
        if (!report.problem.empty()) {
            then("verify: " + report.problem);
            failed(detail);
            return false;
        }
        if (!report.differences.empty()) {
            then("verify: " + std::to_string(report.differences.size()) + " record(s) differ (" +
                 report.differences.front() + ")");
            failed(detail);
            return false;
        }
        then("verified");
        return true;
    };

    if (addressLast) {
        if (!load() || !setIp()) return result;
    } else {
        if (newAddress && !setIp()) return result;
        if (plan.address && !newAddress) then("ip " + current.ipText + " kept");
        if (!plan.file.empty() && !load()) return result;
    }
    return passed(detail);
}

}  // namespace quelvar::ops
