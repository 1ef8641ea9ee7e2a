#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ui/console/session.h"

namespace quelvar::ui::console {

struct VerifyReport {
    bool passed = false;
    std::string problem;                    // why nothing could be compared
    std::vector<std::string> differences;   // one line per record that differs
};

// With the module's line selected after a load: reads its setup records back
// (through a temporary file of our own) and compares every record the load
// wrote from `applied` with them.
VerifyReport VerifySelectedHolds(Session& session, const std::filesystem::path& applied);

}  // namespace quelvar::ui::console
