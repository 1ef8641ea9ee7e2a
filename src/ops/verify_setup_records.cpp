#include "ops/verify_setup_records.h"

#include "ops/read_setup_records.h"
#include "platform/hex.h"
#include "records/record_compare.h"

namespace quelvar::ops {

VerifyReport VerifySetupRecords(const discovery::DeviceEntry& module,
                                const std::vector<records::Record>& applied,
                                const Retries& retries, Events& events) {
    VerifyReport report;
    ReadResult read = ReadSetupRecords(module, retries, events);
    report.outcome = read.outcome;
    if (!read.outcome.succeeded()) {
        report.problem = {{FactKind::VerifyUnread, {}}, FactOf(read.outcome)};
        return report;
    }
    std::optional<std::vector<records::Record>> held = records::RecordsOfImage(read.image.bytes());
    if (!held) {
        report.problem = {{FactKind::VerifyIncomplete, {}}};
        return report;
    }
    for (const records::RecordDifference& difference : records::CompareRecords(applied, *held)) {
        report.differences.push_back(FactOf(difference));
    }
    return report;
}

Reason VerifyReport::failure() const {
    if (!problem.empty() || differences.empty()) return problem;
    return {{FactKind::VerifyDiffers, {std::to_string(differences.size())}}, differences.front()};
}

Fact FactOf(const records::RecordDifference& difference) {
    const std::string record = std::to_string(difference.record);
    switch (difference.kind) {
        case records::RecordDifference::Kind::Missing: return {FactKind::RecordMissing, {record}};
        case records::RecordDifference::Kind::Length:
            return {FactKind::RecordLength, {record, std::to_string(difference.moduleSize),
                                             std::to_string(difference.fileSize)}};
        case records::RecordDifference::Kind::Bytes: break;
    }
    return {FactKind::RecordBytes,
            {record, std::to_string(difference.differing), std::to_string(difference.first),
             platform::HexByte(difference.fileByte), platform::HexByte(difference.moduleByte)}};
}

}  // namespace quelvar::ops
