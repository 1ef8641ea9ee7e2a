#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/random_stream.h"

namespace quelvar::sim {

// Faults of the path between the tool and one module, as a technician meets
// them over Wi-Fi or a VPN. The farm applies them itself, so they need no
// help from the kernel:
//   UDP  a datagram to the module is lost before the module sees it, a reply
//        is lost, or a reply arrives twice; both directions are delayed. A
//        broadcast crosses the farm's link once: lost, it is lost for every
//        module behind it. The first datagram to an address not used for a
//        minute waits until its sender has found it on the LAN, a round trip
//        that the link may lose too (see AddressResolution).
//   TCP  both directions are delayed, in order; a lost segment is what the
//        kernel makes of it: its bytes and all behind them wait for a
//        retransmission (see LinkDirection::segmentDue). No byte is lost.
// All choices come from streams derived from `seed` and the module's index,
// so a run is reproducible given the same traffic.
struct LinkFaults {
    double lossToModule = 0.0;            // 0 to 1
    double lossFromModule = 0.0;          // 0 to 1
    std::chrono::milliseconds delay{0};   // one way, in each direction
    std::chrono::milliseconds jitter{0};  // the one-way delay varies this much either way
    double duplicate = 0.0;               // 0 to 1: a datagram from the module arrives twice
    std::uint64_t seed = 0;

    // True when any fault is set; the seed alone changes nothing.
    bool any() const {
        return lossToModule > 0 || lossFromModule > 0 || delay.count() > 0 || jitter.count() > 0 ||
               duplicate > 0;
    }
    friend bool operator==(const LinkFaults&, const LinkFaults&) = default;
};

inline constexpr std::chrono::milliseconds kMaxLinkDelay{60000};

// What a module's link has done so far, for tests and benchmarks to tell a
// fault that happened from one that was only set.
struct LinkCounts {
    std::uint64_t datagramsLostToModule = 0;
    std::uint64_t datagramsLostFromModule = 0;
    std::uint64_t datagramsDoubled = 0;
    std::uint64_t segmentsHeldToModule = 0;  // TCP segments that waited for a retransmission
    std::uint64_t segmentsHeldFromModule = 0;
};

// Reads "loss=5%,delay=300,jitter=100,dup=1%,seed=7" over `faults`, changing
// only the settings named:
//   loss=P      both directions      loss-in=P   to the module
//   loss-out=P  from the module      dup=P       replies that arrive twice
//   delay=MS    one-way delay        jitter=MS   its variation either way
//   seed=N      the seed of every random choice of the farm
// P is a percentage from 0 to 100 ("5%", "5" and "0.5%" all work), MS 0 to
// 60000. False with the reason in `error` for anything else.
bool ParseLinkFaults(std::string_view settings, LinkFaults& faults, std::string& error);

// The settings' lines for the program's help.
std::string LinkFaultsHelp();

// A module's random streams, each independent of the others.
enum class ModuleStream : std::uint64_t {
    StatusNoise = 1,
    DatagramsToModule,
    DatagramsFromModule,
    MonitorToModule,
    MonitorFromModule,
    WebToModule,
    WebFromModule,
    ModuleFindsPeers,
    ToolFindsModule,
    SharedWire,  // with module -1: the farm's own link, which every broadcast crosses once
};

// The seed of stream `stream` of module `module`; `connection` tells the TCP
// connections of one port apart.
std::uint64_t ModuleStreamSeed(std::uint64_t seed, int module, ModuleStream stream,
                               std::uint64_t connection = 0);

// One direction of a module's path, with random streams of its own (one per
// kind of fault, so that changing one rate leaves the other choices as they
// were). Not thread-safe: each direction belongs to one thread.
class LinkDirection {
  public:
    using Clock = std::chrono::steady_clock;

    // A retransmission waits at least this long, and twice as long each time
    // the same stretch is lost again, at most kMaxRetransmissions times.
    static constexpr std::chrono::milliseconds kMinRetransmissionTime{200};
    static constexpr int kMaxRetransmissions = 6;

    static LinkDirection ToModule(const LinkFaults& faults, std::uint64_t streamSeed);
    static LinkDirection FromModule(const LinkFaults& faults, std::uint64_t streamSeed);

    // Datagrams: whether this one is lost, whether it arrives twice (only
    // from the module), and how long it travels.
    bool lose();
    bool duplicate();
    Clock::duration delay();

    // A stream segment handed over at `sent`: when it reaches the far end.
    // Never before the segment before it (TCP keeps order). A lost segment
    // waits for the retransmission time, doubled for each further loss.
    Clock::time_point segmentDue(Clock::time_point sent);

    // The first retransmission time: 200 ms, or a round trip at its longest.
    Clock::duration retransmissionTime() const;

    // How many segments waited for a retransmission so far.
    std::uint64_t segmentsHeld() const { return segmentsHeld_; }

  private:
    LinkDirection(const LinkFaults& faults, double loss, double duplicate,
                  std::uint64_t streamSeed);

    double loss_;
    double duplicate_;
    std::chrono::microseconds delay_;
    std::chrono::microseconds jitter_;
    RandomStream lossRandom_;
    RandomStream duplicateRandom_;
    RandomStream delayRandom_;
    Clock::time_point lastDue_{};
    std::uint64_t segmentsHeld_ = 0;
};

}  // namespace quelvar::sim
