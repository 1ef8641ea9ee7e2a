#pragma once

#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/facts.h"
#include "ops/retries.h"
#include "records/rec_file.h"
#include "records/record_compare.h"

namespace quelvar::ops {

struct VerifyReport {
    Outcome outcome;     // of the read-back; a failure is `problem`
    Reason problem;      // why nothing could be compared
    Reason differences;  // one fact per record that differs

    bool passed() const { return problem.empty() && differences.empty(); }
    // Why the verify failed: the problem, or how many records differ and the first.
    Reason failure() const;
};

// A record's difference as a fact.
Fact FactOf(const records::RecordDifference& difference);

// Reads the module's setup records back and compares every record that an
// upload of `applied` wrote with them, in memory: nothing goes to disk.
VerifyReport VerifySetupRecords(const discovery::DeviceEntry& module,
                                const std::vector<records::Record>& applied,
                                const Retries& retries, Events& events);

}  // namespace quelvar::ops
