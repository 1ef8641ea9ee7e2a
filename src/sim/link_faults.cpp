#include "sim/link_faults.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <type_traits>

namespace quelvar::sim {

namespace {

using namespace std::chrono_literals;

// "5%", "5" or "0.5%": a fraction from 0 to 1.
std::optional<double> ParsePercentage(std::string_view text) {
    if (!text.empty() && text.back() == '%') text.remove_suffix(1);
    double value = 0;
    auto [end, failure] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0 || value > 100) {
        return std::nullopt;
    }
    return value / 100;
}

template <typename Number>
std::optional<Number> ParseWhole(std::string_view text, Number limit) {
    Number value = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size() ||
        value > limit) {
        return std::nullopt;
    }
    if constexpr (std::is_signed_v<Number>) {
        if (value < 0) return std::nullopt;
    }
    return value;
}

}  // namespace

bool ParseLinkFaults(std::string_view settings, LinkFaults& faults, std::string& error) {
    if (settings.empty()) {
        error = "link faults need settings, like loss=5%,delay=300";
        return false;
    }
    LinkFaults result = faults;
    for (bool more = true; more;) {
        const auto comma = settings.find(',');
        more = comma != std::string_view::npos;
        std::string_view setting = settings.substr(0, comma);
        settings.remove_prefix(more ? comma + 1 : settings.size());
        auto equals = setting.find('=');
        std::string_view name = setting.substr(0, equals);
        std::string_view value =
            equals == std::string_view::npos ? std::string_view() : setting.substr(equals + 1);
        const std::string quoted = "'" + std::string(name) + "'";

        if (name == "loss" || name == "loss-in" || name == "loss-out" || name == "dup") {
            auto fraction = ParsePercentage(value);
            if (!fraction) {
                error = "link setting " + quoted + " needs a percentage from 0 to 100, like 5%";
                return false;
            }
            if (name == "loss" || name == "loss-in") result.lossToModule = *fraction;
            if (name == "loss" || name == "loss-out") result.lossFromModule = *fraction;
            if (name == "dup") result.duplicate = *fraction;
        } else if (name == "delay" || name == "jitter") {
            auto ms = ParseWhole<long>(value, kMaxLinkDelay.count());
            if (!ms) {
                error = "link setting " + quoted + " needs milliseconds from 0 to " +
                        std::to_string(kMaxLinkDelay.count());
                return false;
            }
            (name == "delay" ? result.delay : result.jitter) = std::chrono::milliseconds(*ms);
        } else if (name == "seed") {
            auto seed = ParseWhole<std::uint64_t>(value, UINT64_MAX);
            if (!seed) {
                error = "link setting 'seed' needs a whole number from 0 to " +
                        std::to_string(UINT64_MAX);
                return false;
            }
            result.seed = *seed;
        } else {
            error = "unknown link setting " + quoted +
                    " (loss, loss-in, loss-out, dup, delay, jitter, seed)";
            return false;
        }
    }
    faults = result;
    return true;
}

std::string LinkFaultsHelp() {
    return "  loss=P        loses P percent of what goes either way (\"5%\")\n"
           "  loss-in=P     ... of what goes to the module only\n"
           "  loss-out=P    ... of what comes from the module only\n"
           "  dup=P         P percent of the module's datagrams arrive twice\n"
           "  delay=MS      one-way delay in each direction, 0 to 60000\n"
           "  jitter=MS     the one-way delay varies up to MS either way\n"
           "  seed=N        seed of every random choice (also the status reply's noise)\n"
           "A datagram lost is gone; a TCP segment lost is held back for a retransmission\n"
           "(200 ms or a round trip, doubling when lost again), its bytes still in order.\n";
}

std::uint64_t ModuleStreamSeed(std::uint64_t seed, int module, ModuleStream stream,
                               std::uint64_t connection) {
    return DeriveSeed(seed, static_cast<std::uint64_t>(module), static_cast<std::uint64_t>(stream),
                      connection);
}

LinkDirection::LinkDirection(const LinkFaults& faults, double loss, double duplicate,
                             std::uint64_t streamSeed)
    : loss_(loss),
      duplicate_(duplicate),
      delay_(faults.delay),
      jitter_(faults.jitter),
      lossRandom_(DeriveSeed(streamSeed, 1)),
      duplicateRandom_(DeriveSeed(streamSeed, 2)),
      delayRandom_(DeriveSeed(streamSeed, 3)) {}

LinkDirection LinkDirection::ToModule(const LinkFaults& faults, std::uint64_t streamSeed) {
    // What reaches the module is never doubled: only its replies are.
    return LinkDirection(faults, faults.lossToModule, 0.0, streamSeed);
}

LinkDirection LinkDirection::FromModule(const LinkFaults& faults, std::uint64_t streamSeed) {
    return LinkDirection(faults, faults.lossFromModule, faults.duplicate, streamSeed);
}

bool LinkDirection::lose() {
    return lossRandom_.chance(loss_);
}

bool LinkDirection::duplicate() {
    return duplicateRandom_.chance(duplicate_);
}

LinkDirection::Clock::duration LinkDirection::delay() {
    auto spread =
        std::chrono::microseconds(delayRandom_.between(-jitter_.count(), jitter_.count()));
    return std::max(delay_ + spread, std::chrono::microseconds(0));
}

LinkDirection::Clock::duration LinkDirection::retransmissionTime() const {
    return std::max<Clock::duration>(kMinRetransmissionTime, 2 * (delay_ + jitter_));
}

LinkDirection::Clock::time_point LinkDirection::segmentDue(Clock::time_point sent) {
    Clock::duration held{0};
    Clock::duration wait = retransmissionTime();
    for (int n = 0; n < kMaxRetransmissions && lossRandom_.chance(loss_); ++n) {
        held += wait;
        wait *= 2;
    }
    if (held > Clock::duration::zero()) ++segmentsHeld_;
    lastDue_ = std::max(lastDue_, sent + held + delay());
    return lastDue_;
}

}  // namespace quelvar::sim
