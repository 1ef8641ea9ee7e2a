#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "sim/address_resolution.h"
#include "sim/link_connection.h"
#include "sim/link_faults.h"
#include "sim/random_stream.h"

namespace quelvar::sim {

// One module's path to the tool, as the farm applies it: the choices for its
// datagrams (made on the farm's serving thread), the seeds of its TCP
// connections, its status replies' noise, and what the path has done.
class ModuleLink {
  public:
    using Clock = LinkDirection::Clock;

    // Starts afresh with `faults` for module number `module`, which takes
    // `firstReplyLate` to learn where a new peer is (see AddressResolution).
    void setUp(const LinkFaults& faults, int module, Clock::duration firstReplyLate);

    // A datagram on its way to the module, sent to `to` (`unicast`: the
    // module's own address, which the tool must first find on the LAN):
    // nullopt when it is lost, else how long it takes (zero without faults).
    std::optional<Clock::duration> datagramToModule(std::uint32_t to, bool unicast);
    // One that was lost on a stretch shared with other modules.
    void lostOnTheWay() { ++lostToModule_; }

    // A reply on its way from the module to `peer`: how many copies arrive
    // (0 when it is lost, 2 when doubled) and how long they take.
    struct Reply {
        int copies = 1;
        Clock::duration delay{0};
    };
    Reply replyFromModule(std::uint32_t peer);

    RandomStream& replyNoise() { return replyNoise_; }

    // What the next accepted connection on the monitor or web port needs to
    // follow this path. Serving thread only.
    enum class Port { Monitor, Web };
    LinkConnection::Path nextConnection(Port port);

    LinkCounts counts() const;

  private:
    LinkFaults faults_;
    int module_ = 0;
    std::optional<LinkDirection> toModule_;    // only with faults
    std::optional<LinkDirection> fromModule_;  // only with faults
    AddressResolution moduleFindsPeers_;       // the module's table of the tool's addresses
    AddressResolution toolFindsModule_;        // the tool's table of the module's addresses
    RandomStream replyNoise_;
    std::uint64_t monitorConnections_ = 0;
    std::uint64_t webConnections_ = 0;
    // Read by any thread.
    std::atomic<std::uint64_t> lostToModule_{0};
    std::atomic<std::uint64_t> lostFromModule_{0};
    std::atomic<std::uint64_t> doubled_{0};
    SegmentCounters segments_;
};

}  // namespace quelvar::sim
