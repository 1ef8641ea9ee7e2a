#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>

#include "sim/link_faults.h"

namespace quelvar::sim {

// Before a host sends a datagram to an address on its LAN it must learn
// which station holds that address (ARP): a request crosses the link, an
// answer comes back, asked again each second, three times in all. The
// answer is kept while the address is in use and forgotten after a minute
// without traffic. Datagrams wait for it; when no answer came they are lost.
// So the first exchange after a pause costs a round trip more, and on a
// lossy link it may cost seconds or fail.
//
// One side's table of one path: the module's table of the tool's addresses,
// or the tool's table of the module's. With neither link faults nor an
// extra wait it costs nothing and keeps nothing.
class AddressResolution {
  public:
    using Clock = LinkDirection::Clock;

    static constexpr std::chrono::seconds kForgetAfter{60};
    static constexpr std::chrono::seconds kAskAgainAfter{1};
    static constexpr int kAsks = 3;

    AddressResolution() = default;
    // `extra`: how long the host takes before its first ask, on top of the
    // link (a slow stack); `streamSeed` seeds the link's choices.
    AddressResolution(const LinkFaults& faults, Clock::duration extra, std::uint64_t streamSeed);

    // When a datagram handed over `now` for `address` can leave; nullopt
    // when the address could not be learnt and the datagram is lost.
    std::optional<Clock::time_point> ready(std::uint32_t address, Clock::time_point now);

  private:
    struct Entry {
        Clock::time_point settled;  // answered then, or given up then
        Clock::time_point lastUsed;
        bool answered = false;
    };

    Clock::duration extra_{0};
    std::optional<LinkDirection> asking_;     // the request's way
    std::optional<LinkDirection> answering_;  // the answer's way
    std::map<std::uint32_t, Entry> entries_;
};

}  // namespace quelvar::sim
