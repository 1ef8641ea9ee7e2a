#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "discovery/device_table.h"
#include "ui/console/commission_sheet.h"
#include "ui/console/session.h"

namespace quelvar::ui::console {

struct RowResult {
    enum class State { NotStarted, Passed, Failed, Stopped };
    State state = State::NotStarted;
    std::string detail;  // for the summary: what was done, or why it failed
    std::string log;     // the activity log of every operation of the row, in order
};

// What a row needs besides its own session.
struct RowPlan {
    const SheetRow* row = nullptr;
    std::filesystem::path file;       // empty: no setup record file
    bool verify = false;              // read the records back after the load
    const discovery::DeviceTable* found = nullptr;  // the run's one search
    std::function<bool()> stopRequested;            // checked between steps
    std::function<void(const std::string&)> step;   // the step about to start
};

// One row of a commissioning sheet, with the same operations a user runs in
// the window, on a session of its own: the module is taken from the run's
// search; it gets its new address unless it has it; it is found again there
// (a search addressed to that address alone); the file is applied; and with
// `verify` its records are read back and compared.
RowResult CommissionRow(Session& session, const RowPlan& plan);

}  // namespace quelvar::ui::console
