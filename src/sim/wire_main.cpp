// quelvar-wire: an Ethernet wire that loses and delays frames, between two
// TAP devices it makes in two private network namespaces. The tool on one
// side and the simulated modules on the other then talk through their
// kernels' own TCP, UDP and ARP, so a lost frame costs what it costs on a
// poor link: retransmissions after time-outs that double, addresses asked
// for again. scripts/lossy-lan builds the namespaces around it.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/socket.h"
#include "sim/link_faults.h"
#include "sim/wire.h"
#include "sim/wire_queue.h"
#include "sim/wire_tap.h"

namespace {

using namespace quelvar::sim;
using Clock = WireDirection::Clock;

// A day at most: a wire left behind by a script that died does not forward
// for ever.
constexpr long kMaxRunSeconds = 86400;
// Frames held per direction. At 1500 bytes that is 1.5 MB, far more than a
// TCP window needs on a delay of a few hundred milliseconds.
constexpr std::size_t kQueuedFrames = 1000;
// Frames read from one side per wake-up, so that a busy direction cannot
// starve the other or the signals.
constexpr int kFramesPerWake = 64;
// Larger than any frame a TAP device without offloads hands over.
constexpr std::size_t kFrameBuffer = 65536;

struct Side {
    std::string namespaceName;  // as given, for messages
    std::string namespacePath;  // what setns() opens
    std::string interface;
};

struct Options {
    Side left;
    Side right;
    LinkFaults link;
    long exitAfterSeconds = kMaxRunSeconds;
};

// What one direction did with the frames that entered it.
struct WayCounts {
    std::uint64_t frames = 0;
    std::uint64_t forwarded = 0;
    std::uint64_t queueFull = 0;  // dropped: the queue held kQueuedFrames already
    std::uint64_t refused = 0;    // dropped: the far side's kernel did not take it
};

void PrintHelp() {
    std::cout
        << "Usage: quelvar-wire --left NETNS:IFNAME --right NETNS:IFNAME [--link SETTINGS]\n"
           "                    [--exit-after SECONDS]\n"
           "Makes a TAP device IFNAME in each network namespace NETNS (a name made with\n"
           "'ip netns add', or a path to a namespace file) and forwards every Ethernet\n"
           "frame between them, losing and delaying frames as SETTINGS say, until SIGINT,\n"
           "SIGTERM or SIGHUP. The devices are down and without addresses: set them up\n"
           "yourself once 'ready' is printed. Needs the right to enter the namespaces.\n"
           "Left is the tool's side, right the modules' side; scripts/lossy-lan does it all.\n"
           "\n"
           "  --left NETNS:IFNAME     the tool's side\n"
           "  --right NETNS:IFNAME    the modules' side\n"
           "  --link SETTINGS         like loss=20%,delay=300,jitter=100,seed=7 (no faults\n"
           "                          by default)\n"
           "  --exit-after SECONDS    stop by itself after 1 to 86400 seconds (default 86400)\n"
           "  --help                  this text\n"
           "\n"
           "Link settings:\n"
           "  loss=P        loses P percent of the frames either way (\"5%\")\n"
           "  loss-in=P     ... of the frames from left to right only\n"
           "  loss-out=P    ... of the frames from right to left only\n"
           "  delay=MS      one-way delay in each direction, 0 to 60000\n"
           "  jitter=MS     the one-way delay varies up to MS either way; frames of one\n"
           "                direction still leave in the order they came\n"
           "  seed=N        seed of every random choice: the same traffic, the same losses\n"
           "A lost frame is gone; the kernels at both ends retransmit what they must.\n"
           "\n"
           "Prints 'ready' once both devices exist, and at the end one line per direction\n"
           "on standard error: frames=N forwarded=N dropped=N lost=N queue-full=N refused=N\n"
           "unsent=N (dropped = lost + queue-full + refused; unsent were still on the wire).\n";
}

std::optional<long> ParseNumber(std::string_view text) {
    long value = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "NETNS:IFNAME"; the last ':' splits, since an interface name has none.
std::optional<Side> ParseSide(std::string_view text, std::string& error) {
    auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        error = "takes NETNS:IFNAME, like qvll-pc:qvpc0";
        return std::nullopt;
    }
    Side side;
    side.namespaceName = std::string(text.substr(0, colon));
    side.interface = std::string(text.substr(colon + 1));
    if (side.namespaceName.find('/') != std::string::npos) {
        side.namespacePath = side.namespaceName;
    } else if (side.namespaceName == "." || side.namespaceName == "..") {
        error = "'" + side.namespaceName + "' cannot name a network namespace";
        return std::nullopt;
    } else {
        side.namespacePath = "/run/netns/" + side.namespaceName;
    }
    if (!IsInterfaceName(side.interface)) {
        error = "'" + side.interface +
                "' cannot name a network interface (1 to 15 characters, no '/', ':' or space)";
        return std::nullopt;
    }
    return side;
}

// Reads the command line; nullopt after printing the reason (or the help).
std::optional<Options> ParseOptions(int argc, char** argv, int& exitCode) {
    Options options;
    bool hasLeft = false;
    bool hasRight = false;
    exitCode = 2;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                std::cerr << "quelvar-wire: " << argument << " needs a value\n";
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        if (argument == "--help" || argument == "-h") {
            PrintHelp();
            exitCode = 0;
            return std::nullopt;
        } else if (argument == "--left" || argument == "--right") {
            auto text = value();
            if (!text) return std::nullopt;
            std::string error;
            auto side = ParseSide(*text, error);
            if (!side) {
                std::cerr << "quelvar-wire: " << argument << " " << error << "\n";
                return std::nullopt;
            }
            (argument == "--left" ? options.left : options.right) = *side;
            (argument == "--left" ? hasLeft : hasRight) = true;
        } else if (argument == "--link") {
            auto text = value();
            if (!text) return std::nullopt;
            std::string error;
            if (!ParseLinkFaults(*text, options.link, error)) {
                std::cerr << "quelvar-wire: --link: " << error << "\n";
                return std::nullopt;
            }
            if (options.link.duplicate > 0) {
                std::cerr << "quelvar-wire: --link: the wire does not double frames (dup)\n";
                return std::nullopt;
            }
        } else if (argument == "--exit-after") {
            auto text = value();
            if (!text) return std::nullopt;
            auto seconds = ParseNumber(*text);
            if (!seconds || *seconds < 1 || *seconds > kMaxRunSeconds) {
                std::cerr << "quelvar-wire: --exit-after takes 1 to " << kMaxRunSeconds
                          << " seconds\n";
                return std::nullopt;
            }
            options.exitAfterSeconds = *seconds;
        } else {
            std::cerr << "quelvar-wire: unknown option " << argument << " (see --help)\n";
            return std::nullopt;
        }
    }
    if (!hasLeft || !hasRight) {
        std::cerr << "quelvar-wire: needs --left NETNS:IFNAME and --right NETNS:IFNAME\n";
        return std::nullopt;
    }
    return options;
}

timespec ToTimespec(Clock::duration wait) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::max(wait, Clock::duration::zero()));
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(ns);
    timespec result{};
    result.tv_sec = static_cast<time_t>(seconds.count());
    result.tv_nsec = static_cast<long>((ns - seconds).count());
    return result;
}

// The wire at work: frames read from taps[i] go through directions[i] and
// queues[i] to taps[1 - i]. Returns false after printing why when a device
// fails; true on a signal or at the deadline.
class Wire {
  public:
    Wire(std::array<TapDevice, 2>& taps, const LinkFaults& link)
        : taps_(taps),
          directions_{WireDirection(link, WireWay::ToModules),
                      WireDirection(link, WireWay::FromModules)},
          queues_{WireQueue(kQueuedFrames), WireQueue(kQueuedFrames)},
          buffer_(kFrameBuffer) {}

    bool run(int signals, Clock::time_point deadline) {
        for (;;) {
            Clock::time_point now = Clock::now();
            for (int way = 0; way < 2; ++way) deliver(way, now);
            if (now >= deadline) return true;

            Clock::time_point wake = deadline;
            for (const WireQueue& queue : queues_) {
                if (auto due = queue.nextDue()) wake = std::min(wake, *due);
            }
            timespec wait = ToTimespec(wake - now);
            std::array<pollfd, 3> watched{
                {{taps_[0].fd(), POLLIN, 0}, {taps_[1].fd(), POLLIN, 0}, {signals, POLLIN, 0}}};
            if (::ppoll(watched.data(), watched.size(), &wait, nullptr) < 0) {
                if (errno == EINTR) continue;
                std::cerr << "quelvar-wire: poll: " << quelvar::platform::systemErrorText(errno)
                          << "\n";
                return false;
            }
            if (watched[2].revents != 0) return true;
            for (int way = 0; way < 2; ++way) {
                const short events = watched[static_cast<std::size_t>(way)].revents;
                if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                    std::cerr << "quelvar-wire: the TAP device " << tap(way).name()
                              << " went away\n";
                    return false;
                }
                if ((events & POLLIN) != 0 && !take(way)) return false;
            }
        }
    }

    void report(std::ostream& out) const {
        const char* names[2] = {"left to right", "right to left"};
        for (int way = 0; way < 2; ++way) {
            const WayCounts& c = counts_[static_cast<std::size_t>(way)];
            const WireDirection& direction = directions_[static_cast<std::size_t>(way)];
            const std::uint64_t lost = direction.lost();
            out << "quelvar-wire: " << names[way] << ": frames=" << c.frames
                << " forwarded=" << c.forwarded << " dropped=" << lost + c.queueFull + c.refused
                << " lost=" << lost << " queue-full=" << c.queueFull << " refused=" << c.refused
                << " unsent=" << queues_[static_cast<std::size_t>(way)].size() << "\n";
        }
    }

  private:
    TapDevice& tap(int way) { return taps_[static_cast<std::size_t>(way)]; }

    // Reads what waits on the way's device, up to kFramesPerWake frames, and
    // puts each on the wire unless the wire loses it.
    bool take(int way) {
        const auto w = static_cast<std::size_t>(way);
        for (int n = 0; n < kFramesPerWake; ++n) {
            long length = tap(way).read(buffer_);
            if (length == 0) return true;
            if (length < 0) {
                std::cerr << "quelvar-wire: reading " << tap(way).name() << ": "
                          << quelvar::platform::systemErrorText(errno) << "\n";
                return false;
            }
            ++counts_[w].frames;
            auto due = directions_[w].admit(Clock::now());
            if (!due) continue;
            std::span<const std::uint8_t> frame(buffer_.data(), static_cast<std::size_t>(length));
            if (!queues_[w].push(*due, frame)) ++counts_[w].queueFull;
        }
        return true;
    }

    // Hands every frame of the way that is due by `now` to the far side.
    void deliver(int way, Clock::time_point now) {
        const auto w = static_cast<std::size_t>(way);
        for (std::size_t n = 0; n < kQueuedFrames; ++n) {
            auto frame = queues_[w].due(now);
            if (!frame) return;
            if (tap(1 - way).write(*frame)) {
                ++counts_[w].forwarded;
            } else {
                ++counts_[w].refused;
            }
            queues_[w].pop();
        }
    }

    std::array<TapDevice, 2>& taps_;
    std::array<WireDirection, 2> directions_;
    std::array<WireQueue, 2> queues_;
    std::array<WayCounts, 2> counts_{};
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    auto options = ParseOptions(argc, argv, exitCode);
    if (!options) return exitCode;

    // Taken through a descriptor that the poll loop watches, so that a
    // signal ends the loop between two frames and the devices are closed.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, signal);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    int signals = ::signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signals < 0) {
        std::cerr << "quelvar-wire: signalfd: " << quelvar::platform::systemErrorText(errno)
                  << "\n";
        return 1;
    }

    std::array<TapDevice, 2> taps;
    const Side* sides[2] = {&options->left, &options->right};
    for (std::size_t i = 0; i < taps.size(); ++i) {
        std::string error;
        taps[i] = TapDevice::Create(sides[i]->namespacePath, sides[i]->interface, error);
        if (!taps[i].open()) {
            std::cerr << "quelvar-wire: " << error << "\n";
            return 1;
        }
    }
    std::cout << "ready" << std::endl;

    Wire wire(taps, options->link);
    const bool ok =
        wire.run(signals, Clock::now() + std::chrono::seconds(options->exitAfterSeconds));
    wire.report(std::cerr);
    ::close(signals);
    return ok ? 0 : 1;
}
