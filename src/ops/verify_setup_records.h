#pragma once

#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/retries.h"
#include "records/rec_file.h"

namespace quelvar::ops {

struct VerifyReport {
    Outcome outcome;                       // of the read-back; a failure is `problem`
    std::string problem;                   // why nothing could be compared
    std::vector<std::string> differences;  // one line per record that differs

    bool passed() const { return problem.empty() && differences.empty(); }
};

// Reads the module's setup records back and compares every record that an
// upload of `applied` wrote with them, in memory: nothing goes to disk.
VerifyReport VerifySetupRecords(const discovery::DeviceEntry& module,
                                const std::vector<records::Record>& applied,
                                const Retries& retries, Events& events);

}  // namespace quelvar::ops
