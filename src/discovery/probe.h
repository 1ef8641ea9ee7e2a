#pragma once

#include <vector>

#include "discovery/device_table.h"
#include "platform/ipv4.h"

namespace quelvar::discovery {

// What answers at one address. Only a search reply says which module a
// device is (its MAC address); a status reply only says that something is
// there.
struct Probe {
    bool statusAnswered = false;
    std::vector<DeviceEntry> modules;  // search replies from the address, one per MAC

    bool anythingAnswered() const { return statusAnswered || !modules.empty(); }
};

// Asks the address, up to `tries` times, with a status query and a search
// request addressed to it, both at once, each try waiting up to a second.
// Stops at the first try a search reply comes back in; a status reply alone
// does not stop it, so a module that answers only the status query costs
// every try. Nothing answering after all tries is the one sign that the
// address is free, so on a lossy link `tries` should be more than one.
Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries);

}  // namespace quelvar::discovery
