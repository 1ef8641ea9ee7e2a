#pragma once

#include <optional>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/retries.h"

namespace quelvar::ops {

// Gives a module a new address: the check that it answers, the check that
// nothing else answers at the new address (nothing is sent when something
// does, nor when that could not be asked), one IP-SETUP command to where its
// search reply came from, then status queries at the new address and, with
// `retries.confirmWhereabouts`, the search reply that says the module
// answering there is this one. The trace is the window's;
// "done." follows whatever the status queries found, and only the outcome
// says whether the module answers at its new address (GivenNotConfirmed
// when the address lies outside this PC's networks and nothing answered
// there: see OutsideAfterChange).
struct SetIpResult {
    Outcome outcome;
    // The module at its new address, on success: as its search reply there
    // shows it, or as it was with the new address when it gave none.
    std::optional<discovery::DeviceEntry> module;
};

SetIpResult SetIpAddress(const discovery::DeviceEntry& device,
                         const platform::Ipv4Octets& newAddress, const Retries& retries,
                         Events& events);

}  // namespace quelvar::ops
