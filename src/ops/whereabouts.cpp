// Where a module is: the search reply is the only answer that names it.
#include "ops/whereabouts.h"

#include <algorithm>

#include "discovery/probe.h"
#include "discovery/search.h"

namespace quelvar::ops {

namespace {

discovery::SearchResult broadcastSearch(const Retries& retries) {
    discovery::SearchScope scope;
    scope.rounds = retries.searchRounds;
    scope.mergeRepeats = true;
    // Every module of the network may answer; all are read, only some kept.
    scope.capacity = 65536;
    return discovery::SearchForModules(scope);
}

}  // namespace

bool Occupant::holds(const discovery::MacAddress& mac) const {
    return std::any_of(modules.begin(), modules.end(),
                       [&](const discovery::DeviceEntry& entry) { return entry.mac == mac; });
}

const discovery::DeviceEntry* Occupant::other(const discovery::MacAddress& mac) const {
    for (const discovery::DeviceEntry& entry : modules) {
        if (entry.mac != mac) return &entry;
    }
    return nullptr;
}

Occupant WhoAnswersAt(const platform::Ipv4Octets& address, const Retries& retries) {
    discovery::Probe probe = retries.probeTries <= 1
                                 ? discovery::ProbeAddressOnce(address)
                                 : discovery::ProbeAddress(address, retries.probeTries);
    Occupant occupant{probe.answered, std::move(probe.modules), probe.error};
    if (retries.confirmWhereabouts && occupant.answered && occupant.modules.empty()) {
        for (discovery::DeviceEntry& entry : broadcastSearch(retries).modules) {
            if (entry.address.octets == address && !occupant.holds(entry.mac)) {
                occupant.modules.push_back(std::move(entry));
            }
        }
    }
    return occupant;
}

std::optional<discovery::DeviceEntry> FindModule(const discovery::MacAddress& mac,
                                                 const Retries& retries) {
    for (discovery::DeviceEntry& entry : broadcastSearch(retries).modules) {
        if (entry.mac == mac) return std::move(entry);
    }
    return std::nullopt;
}

}  // namespace quelvar::ops
