#pragma once

#include <optional>
#include <vector>

#include "discovery/device_table.h"
#include "ops/retries.h"
#include "platform/ipv4.h"

namespace quelvar::ops {

// Who answers at an address now. Any answer only says that something is
// there; which module it is, only a search reply says (its MAC address).
struct Occupant {
    bool answered = false;
    std::vector<discovery::DeviceEntry> modules;  // by their search replies, one per MAC
    int error = 0;  // nothing answered, and the question could not be asked (see Probe)

    bool anythingAnswered() const { return answered || !modules.empty(); }
    bool holds(const discovery::MacAddress& mac) const;
    // The first module there other than `mac`; nullptr when there is none.
    const discovery::DeviceEntry* other(const discovery::MacAddress& mac) const;
};

// Asks the address itself: with one probe try a status query, and a search
// request addressed there only when something answered (the window); with
// more, both at once, `retries.probeTries` times. With
// `retries.confirmWhereabouts`, when something answers but no addressed
// search, a module may answer searches only as broadcasts: one broadcast
// search then names it by the reply that comes from the address.
Occupant WhoAnswersAt(const platform::Ipv4Octets& address, const Retries& retries);

// The module with this MAC address wherever it answers now, by a broadcast
// search on every adapter; nullopt when it does not answer.
std::optional<discovery::DeviceEntry> FindModule(const discovery::MacAddress& mac,
                                                 const Retries& retries);

}  // namespace quelvar::ops
