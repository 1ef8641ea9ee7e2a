#pragma once

// Who holds an address on a LAN this machine is attached to, as the system's
// own address resolution (ARP) finds it. A host that keeps quiet on every
// port (a firewalled PC) still answers address resolution, and only an
// address nobody holds goes unanswered there: so this tells a quiet holder
// from a free address, which no datagram of the modules' protocol can.

#include <array>
#include <chrono>
#include <cstdint>

#include "platform/ipv4.h"

namespace quelvar::platform {

struct LinkHolder {
    enum class Finding {
        Answered,        // a station answered for the address after `since`: `hardware`
        NobodyAnswered,  // the system asked and nobody answered
        NoEntry,         // the system has not asked (nothing was sent there)
        EarlierAnswer,   // only an answer from before `since` (`hardware`, `sinceAnswer`
                         // ago), which the system does not ask again about yet
        StillAsking,     // the system was still asking when the time was up
        FixedEntry,      // an entry set by hand or by the link, which no answer made
        CannotAsk,       // the system's table cannot be read here: `error`
    };
    Finding finding = Finding::NoEntry;
    std::array<std::uint8_t, 6> hardware{};
    std::chrono::milliseconds sinceAnswer{0};  // EarlierAnswer: how long ago it came
    int error = 0;  // CannotAsk: the system's error number
};

// Linux: reads the kernel's neighbour table (no privileges needed, nothing
// sent of its own); the datagrams already sent to `address` made the kernel
// ask: a first time, or again about an entry grown stale (after a pause of
// its own, some five seconds). While it asks this waits, up to as long as
// the kernel asks before it gives up. Only an answer after `since` counts:
// an entry left from earlier traffic proves nothing until it is confirmed
// again, and one still fresh (answered within the last half minute or so)
// the kernel does not ask about again until it has grown stale.
// Windows: asks anew (ResolveIpNetEntry2 drops the old entry and sends its
// ARP requests), so any answer it reports came after `since`.
// Only for an address inside a subnet of an adapter that is up and not
// loopback (see adapterOnLinkWith): elsewhere no station answers for it.
LinkHolder askLinkHolder(const Ipv4Octets& address, std::chrono::steady_clock::time_point since);

}  // namespace quelvar::platform
