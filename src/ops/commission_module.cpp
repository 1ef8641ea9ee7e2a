#include "ops/commission_module.h"

#include "ops/apply_setup_records.h"
#include "ops/set_ip_address.h"
#include "ops/verify_setup_records.h"
#include "platform/utf8.h"
#include "records/rec_file.h"

namespace quelvar::ops {

namespace {

CommissionResult passed(std::string detail) {
    return {CommissionResult::State::Passed, std::move(detail)};
}
CommissionResult failed(std::string detail) {
    return {CommissionResult::State::Failed, std::move(detail)};
}
CommissionResult stopped(std::string detail) {
    return {CommissionResult::State::Stopped, std::move(detail)};
}

// The file's records, for the comparison after the load; false when the
// file cannot be read at all. A file that is no setup record file is for the
// load to refuse.
bool readRecords(const std::filesystem::path& file, std::vector<records::Record>& list) {
    records::FileSource source;
    if (!source.open(file)) return false;
    records::RecordReader reader(source);
    if (reader.readHeader() == records::ReadStatus::Ok) {
        list = records::ReadRecordList(reader).records;
    }
    return true;
}

}  // namespace

CommissionResult CommissionModule(const std::vector<discovery::DeviceEntry>& found,
                                  const CommissionPlan& plan, const Retries& retries,
                                  Events& events) {
    auto stopping = [&] { return plan.stopRequested && plan.stopRequested(); };
    std::vector<records::Record> records;
    if (!plan.file.empty() && !readRecords(plan.file, records)) {
        return failed("cannot read " + platform::utf8Of(plan.file));
    }
    const discovery::DeviceEntry* module = nullptr;
    for (const discovery::DeviceEntry& entry : found) {
        if (entry.address.octets == plan.address && entry.mac != plan.mac) {
            return failed("address in use by " + discovery::FormatMac(entry.mac) +
                          "; nothing sent");
        }
        if (entry.mac == plan.mac && module == nullptr) module = &entry;
    }
    if (module == nullptr) return failed("not found");
    discovery::DeviceEntry current = *module;

    const std::string wanted = platform::formatIpv4(plan.address);
    std::string detail;
    if (current.address.octets != plan.address) {
        if (stopping()) return stopped("stopped before set-ip");
        events.step("set-ip");
        SetIpResult moved = SetIpAddress(current, plan.address, retries, events);
        if (!moved.outcome.succeeded()) {
            return failed("set-ip " + current.ipText + " -> " + wanted + ": " +
                          DescribeOutcome(moved.outcome));
        }
        detail = "ip " + current.ipText + " -> " + wanted;
        current = *moved.module;
    } else {
        detail = "ip " + wanted + " kept";
    }
    if (plan.file.empty()) return passed(detail);

    if (stopping()) return stopped(detail + "; stopped before load");
    events.step("load");
    const std::string name = platform::utf8Of(plan.file.filename());
    ApplyResult loaded = ApplySetupRecordFile(current, plan.file, retries, events);
    if (!loaded.outcome.succeeded()) {
        return failed(detail + "; load " + name + ": " + DescribeOutcome(loaded.outcome));
    }
    detail += "; loaded " + name;
    if (loaded.module->address.octets != plan.address) {
        return failed(detail + "; the records moved the module to " + loaded.module->ipText);
    }
    if (!plan.verify) return passed(detail);

    if (stopping()) return stopped(detail + "; stopped before verify");
    events.step("verify");
    VerifyReport report = VerifySetupRecords(*loaded.module, records, retries, events);
    if (!report.problem.empty()) return failed(detail + "; verify: " + report.problem);
    if (!report.differences.empty()) {
        return failed(detail + "; verify: " + std::to_string(report.differences.size()) +
                      " record(s) differ (" + report.differences.front() + ")");
    }
    return passed(detail + "; verified");
}

}  // namespace quelvar::ops
