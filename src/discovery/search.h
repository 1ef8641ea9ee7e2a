#pragma once

#include <chrono>
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

// Where the search request goes.
struct SearchScope {
    // 255.255.255.255 as a rule: then the request goes out on every adapter
    // that can broadcast. Any other address gets one request, as routed.
    platform::Ipv4Octets destination{255, 255, 255, 255};
    // Only this adapter (by name), whatever the destination.
    std::optional<std::string> adapter;
    std::chrono::milliseconds timeLimit = kSearchTimeLimit;
};

// One adapter as the search saw it, for explaining an empty result.
struct AdapterRequest {
    platform::NetworkAdapter adapter;
    bool requestSent = false;
    int error = 0;  // opening, binding or sending failed: the socket layer's number
};

struct SearchResult {
    int error = 0;    // opening the socket or a wait failed: the socket layer's number
    int dropped = 0;  // replies read after the table was full, not stored
    bool timeLimitReached = false;  // replies were still coming when the time was up
    bool everyAdapter = false;      // one request per adapter rather than one routed request
    // Every IPv4 adapter address of the machine, whether a request went out on it.
    std::vector<AdapterRequest> adapters;
};

// Receives one datagram of at most 30 bytes and, when `index` names a row of
// the table, fills that row from it. False when the receive failed (a longer
// datagram fails too) or the table has no room; the caller advances the count.
bool ReceiveSearchReply(platform::Socket& socket, DeviceTable& table, int index);

// The search exchange: resets the table, sends the search request to port
// 30718 and stores every reply, in arrival order, until a second passes
// without one (or the scope's time limit is up). On a machine with no
// broadcast adapter beyond the one the system routes 255.255.255.255 to, that
// is one request from one unbound socket; with more, one request from a
// socket bound to each adapter's address, each reply read on its adapter's
// socket. On a failed wait the replies stored so far stay counted.
[[nodiscard]] SearchResult SearchForModules(const SearchScope& scope, DeviceTable& table);

}  // namespace quelvar::discovery
