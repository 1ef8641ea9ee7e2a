#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/facts.h"
#include "ops/retries.h"
#include "platform/address_resolution.h"
#include "platform/ipv4.h"
#include "platform/network_adapters.h"

namespace quelvar::ops {

// Who answers at an address now. Any answer only says that something is
// there; which module it is, only a search reply says (its MAC address).
struct Occupant {
    bool answered = false;
    std::vector<discovery::DeviceEntry> modules;  // by their search replies, one per MAC
    int error = 0;  // nothing answered, and the question could not be asked (see Probe)
    bool refused = false;  // a host there refused the requests: it is there, no module
    std::chrono::steady_clock::time_point firstSent{};  // the first request went out

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

// Who holds an address a module is to take: what answers there and, when
// nothing does on an address of a LAN this PC is attached to, whom the
// system's address resolution found answering for it meanwhile (a quiet
// host holds it too). `lan`: that LAN's adapter address; nullopt for an
// address reached through a router, where no such question can be asked,
// and for this machine's own loopback network, where none is needed.
struct AddressHolder {
    Occupant occupant;
    std::optional<platform::NetworkAdapter> lan;
    std::optional<platform::LinkHolder> link;  // asked: nothing answered on a LAN address
    bool routed = false;                       // outside every network of this PC
};
// On a link that has shown itself lossy (Retries::linkShownLossy) a
// resolution nobody answered is asked again, with the whole question, up to
// Retries::lossyAddressResolutions rounds in all.
AddressHolder WhoHolds(const platform::Ipv4Octets& address, const Retries& retries);

// What the address resolution left open, for the log: a note, or nullopt
// when it answered plainly (someone, or no one) or was not asked for.
std::optional<Fact> LinkNote(const platform::Ipv4Octets& address, const AddressHolder& holder);

// Before an operation on a module is made again (a write or a read that
// stopped midway): whether the module answering at its address now is the
// same one, by its search reply. "Something answers there" is not enough: a
// module swapped in meanwhile answers too. nullopt when it is the same;
// otherwise the outcome that ends the operation (ModuleReplaced, or
// DeviceNotAnswering when nothing there says which module it is), with a
// note of what answers there now and what is therefore not done (`instead`:
// NothingMoreWritten, NotReadAgain).
std::optional<Outcome> NotTheSameModule(const discovery::DeviceEntry& device,
                                        const Retries& retries, Events& events,
                                        FactKind instead);

// The module with this MAC address wherever it answers now, by a broadcast
// search on every adapter; nullopt when it does not answer.
std::optional<discovery::DeviceEntry> FindModule(const discovery::MacAddress& mac,
                                                 const Retries& retries);

}  // namespace quelvar::ops
