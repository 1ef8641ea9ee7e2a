#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/facts.h"
#include "ops/retries.h"

namespace quelvar::ops {

// One module of a site to bring into service: which one, the address it must
// end up with (none: wherever it is, as a restore has it) and, optionally,
// the setup record file it must hold.
struct CommissionPlan {
    discovery::MacAddress mac{};
    std::optional<platform::Ipv4Octets> address;
    std::filesystem::path file;           // empty: no setup record file
    bool verify = false;                  // read the records back after the load and compare
    std::function<bool()> stopRequested;  // checked between steps
    // The file's bytes when the caller has read and checked them already (a
    // restore): these are applied, and the file is not read again.
    std::optional<std::vector<std::uint8_t>> fileBytes;
};

struct CommissionResult {
    enum class State { Passed, Failed, Stopped };
    State state = State::Failed;
    Reason reason;                   // what was done, or why it failed
    std::string before;              // where the search found the module; empty: not found
    std::string after;               // where it answers now, as far as it is known; empty: unknown
    std::vector<std::string> steps;  // the steps done, in order: "set-ip", "load", "verify"
    std::string product, firmware;   // as the module's search reply gave them; empty: not found
    std::string sha256;              // of the file's bytes meant for it; empty: no file
};

// The steps a technician takes for one module in the window, one after the
// other: the module is taken from a search already made (`found`); nothing is
// sent when another module of that search answers at the new address; it gets
// its new address unless it has it (the operation confirms that the module
// answering there is this one); the file is applied, and the module must come
// back at the new address (its records may carry network settings of their
// own; without a new address it may come back anywhere, and the reason says
// where); with `verify` its records are read back and compared in memory. The
// first failure ends it; a stop request is honoured between steps only, so a
// module is never left half written by it.
CommissionResult CommissionModule(const std::vector<discovery::DeviceEntry>& found,
                                  const CommissionPlan& plan, const Retries& retries,
                                  Events& events);

}  // namespace quelvar::ops
