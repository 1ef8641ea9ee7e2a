#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "sim/link_faults.h"

namespace quelvar::sim {

// The two ways a frame crosses the wire between the tool's side and the
// modules' side of a lossy LAN.
enum class WireWay : std::uint64_t {
    ToModules = 1,    // the tool's frames: loss-in (or loss) of the link settings
    FromModules = 2,  // the modules' frames: loss-out (or loss)
};

// One direction of an Ethernet wire that loses and delays frames. Unlike
// the farm's own link, it knows nothing of TCP or UDP: a lost frame is gone,
// and whatever the kernels at both ends make of that (retransmissions with
// doubling time-outs, ARP asked again) is what the tool meets. Frames of one
// direction never overtake each other, as on a cable.
//
// Deterministic: the same settings and the same sequence of frames give the
// same choices. Not thread-safe: a direction belongs to one thread.
class WireDirection {
  public:
    using Clock = std::chrono::steady_clock;

    // The direction `way` of a wire with the loss, delay and jitter of
    // `faults`, its random streams drawn from faults.seed and the way.
    WireDirection(const LinkFaults& faults, WireWay way);

    // A frame that enters the wire at `now`: when it comes out at the far
    // end, or nothing when the wire loses it. Never earlier than the frame
    // admitted before it.
    std::optional<Clock::time_point> admit(Clock::time_point now);

    std::uint64_t admitted() const { return admitted_; }
    std::uint64_t lost() const { return lost_; }

  private:
    LinkDirection path_;
    Clock::time_point lastDue_{};
    std::uint64_t admitted_ = 0;
    std::uint64_t lost_ = 0;
};

}  // namespace quelvar::sim
