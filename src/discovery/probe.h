#pragma once

#include <chrono>
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

// Asks the address with a status query and a search request addressed to it,
// both at once, up to `tries` times kProbeSpacing apart, and listens until a
// second after the last try. A search reply ends it (a moment later, for a
// second module at the same address); a status reply alone does not, so a
// device that answers only status queries costs every try. Nothing answering
// after all tries is the one sign that the address is free, so on a lossy
// link `tries` should be several: each try is a fresh chance for the answers
// to get through.
inline constexpr std::chrono::milliseconds kProbeSpacing{300};
Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries);

}  // namespace quelvar::discovery
