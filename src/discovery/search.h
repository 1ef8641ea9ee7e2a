#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "platform/network_adapters.h"
#include "platform/socket.h"

namespace quelvar::discovery {

// A search ends a second after the last reply, and in any case this long
// after it began. A module answers within a second and a link of hundreds of
// modules delivers every reply within a few seconds, so no real search comes
// near it; it only stops a host that keeps replying from holding the tool
// (and every console command, which begins with a search) forever.
inline constexpr std::chrono::milliseconds kSearchTimeLimit{30000};
// Between rounds of a repeated search: a round is over once its replies have
// paused this long (the search as a whole still ends only after a quiet second).
inline constexpr std::chrono::milliseconds kRoundPause{250};
// A search over a range sends its requests this far apart: 4096 addresses in
// about four seconds, a pace no link or module is flooded by.
inline constexpr std::chrono::milliseconds kRangeSpacing{1};
// The most addresses a search over a range asks.
inline constexpr std::size_t kMaxRangeAddresses = 4096;

// Where the search request goes, and how hard the search tries.
struct SearchScope {
    // 255.255.255.255 as a rule: then the request goes out on every adapter
    // that can broadcast. Any other address gets one request, as routed.
    platform::Ipv4Octets destination{255, 255, 255, 255};
    // When not empty, the request goes to each of these addresses instead,
    // kRangeSpacing apart (as routed: modules behind routers answer too), and
    // a repeated round asks only the addresses that have not answered.
    std::vector<platform::Ipv4Octets> range;
    // Only this adapter (by name), whatever the destination.
    std::optional<std::string> adapter;
    std::chrono::milliseconds timeLimit = kSearchTimeLimit;
    // Up to this many requests in all (rounds); 1 is the window's single
    // request. On a lossy or slow link one request misses modules: a lost
    // request brings nothing, and after a pause the modules must first find
    // the tool on the LAN before they can answer, which can take longer than
    // the quiet second. So the request goes out again while a round brings
    // modules not seen before, while none has answered at all (five rounds
    // at most), while a module of `wanted` is missing, and, once the link
    // has shown itself lossy (a later round found a module the first
    // missed, or a module answered fewer requests than went out since it
    // first answered), to the last round. A round that
    // brought something ends after kRoundPause of quiet; one that brought
    // nothing, or any once the link has shown itself lossy, after the quiet
    // second.
    int rounds = 1;
    // Modules the caller looks for, by MAC address.
    std::vector<MacAddress> wanted;
    // A module that answers more than once (the same MAC address from the
    // same address) is kept once. Off, every reply is a module, as the
    // window lists them.
    bool mergeRepeats = false;
    // Replies kept; later ones are read (they count as activity) but dropped.
    std::size_t capacity = DeviceTable::kCapacity;
};

// One adapter as the search saw it, for explaining an empty result.
struct AdapterRequest {
    platform::NetworkAdapter adapter;
    bool requestSent = false;
    int error = 0;  // opening, binding or sending failed: the socket layer's number
};

struct SearchResult {
    std::vector<DeviceEntry> modules;  // in arrival order
    int error = 0;    // opening the socket or a wait failed: the socket layer's number
    int dropped = 0;  // replies read beyond the capacity, not kept
    int requests = 0;               // rounds in which the request went out
    bool timeLimitReached = false;  // replies were still coming when the time was up
    // Its rounds showed a link that loses or delays replies (SearchScope::rounds).
    bool lossy = false;
    bool everyAdapter = false;      // one request per adapter rather than one routed request
    // Every IPv4 adapter address of the machine, whether a request went out on it.
    std::vector<AdapterRequest> adapters;
};

// Receives one datagram of at most 30 bytes and fills `entry` from it. False
// when the receive failed (a longer datagram fails too).
bool ReceiveSearchReply(platform::Socket& socket, DeviceEntry& entry);

// The search exchange: sends the search request to port 30718 and keeps every
// reply, in arrival order, until a second passes without one (or the scope's
// time limit is up). On a machine with no broadcast adapter beyond the one the
// system routes 255.255.255.255 to, that is one request from one unbound
// socket; with more, one request from a socket bound to each adapter's
// address, each reply read on its adapter's socket. On a failed wait the
// replies kept so far stay in the result.
[[nodiscard]] SearchResult SearchForModules(const SearchScope& scope);

}  // namespace quelvar::discovery
