#include "ops/verify_setup_records.h"

#include "ops/read_setup_records.h"
#include "records/record_compare.h"

namespace quelvar::ops {

VerifyReport VerifySetupRecords(const discovery::DeviceEntry& module,
                                const std::vector<records::Record>& applied,
                                const Retries& retries, Events& events) {
    VerifyReport report;
    ReadResult read = ReadSetupRecords(module, retries, events);
    report.outcome = read.outcome;
    if (!read.outcome.succeeded()) {
        report.problem = "the module's setup records could not be read back (" +
                         DescribeOutcome(read.outcome) + ")";
        return report;
    }
    std::optional<std::vector<records::Record>> held = records::RecordsOfImage(read.image.bytes());
    if (!held) {
        report.problem = "the module's records do not read as complete setup records";
        return report;
    }
    report.differences = records::CompareRecords(applied, *held);
    return report;
}

}  // namespace quelvar::ops
