#include "sim/wire.h"

#include <algorithm>

#include "sim/random_stream.h"

namespace quelvar::sim {

namespace {

// Tells the wire's streams apart from every module's (ModuleStream).
constexpr std::uint64_t kWireStreams = 0x57495245;  // "WIRE"

LinkDirection PathOf(const LinkFaults& faults, WireWay way) {
    std::uint64_t seed = DeriveSeed(faults.seed, kWireStreams, static_cast<std::uint64_t>(way));
    return way == WireWay::ToModules ? LinkDirection::ToModule(faults, seed)
                                     : LinkDirection::FromModule(faults, seed);
}

}  // namespace

WireDirection::WireDirection(const LinkFaults& faults, WireWay way) : path_(PathOf(faults, way)) {}

std::optional<WireDirection::Clock::time_point> WireDirection::admit(Clock::time_point now) {
    // Both choices are drawn for every frame, lost or not, so that a change
    // of the loss rate leaves the delays of the frames that get through as
    // they were, and the other way round.
    const bool lose = path_.lose();
    const Clock::duration delay = path_.delay();
    if (lose) {
        ++lost_;
        return std::nullopt;
    }
    ++admitted_;
    lastDue_ = std::max(lastDue_, now + delay);
    return lastDue_;
}

}  // namespace quelvar::sim
