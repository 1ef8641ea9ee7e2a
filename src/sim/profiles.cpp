#include "sim/profiles.h"

#include <array>
#include <charconv>
#include <utility>

namespace quelvar::sim {

namespace {

constexpr std::array<std::pair<MonitorFault, std::string_view>, 15> kFaultNames{{
    {MonitorFault::None, "none"},
    {MonitorFault::StopMidLine, "stop-mid-line"},
    {MonitorFault::CloseMidRecord, "close-mid-record"},
    {MonitorFault::NulInPrompt, "nul-in-prompt"},
    {MonitorFault::OnlyCrLfPrompt, "only-crlf-prompt"},
    {MonitorFault::LowerCaseHex, "lower-case-hex"},
    {MonitorFault::OversizeCount, "oversize-count"},
    {MonitorFault::TooManyRecords, "too-many-records"},
    {MonitorFault::WriteReplyOne, "write-reply-one"},
    {MonitorFault::AlterOnWrite, "alter-on-write"},
    {MonitorFault::Drip, "drip"},
    {MonitorFault::Garbage, "garbage"},
    {MonitorFault::NeverAccept, "never-accept"},
    {MonitorFault::DropFirstWrite, "drop-first-write"},
    {MonitorFault::NoBanner, "no-banner"},
}};

// A whole decimal number between 0 and `limit`, nothing else.
std::optional<long> ParseNumber(std::string_view text, long limit) {
    long value = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < 0 || value > limit) {
        return std::nullopt;
    }
    return value;
}

constexpr long kMaxMilliseconds = 600000;
// A pause of a second or more would end the tool's wait inside the echo.
constexpr long kMaxEchoPause = 900;
// How long after a reset's silence the monitor port may stay closed.
constexpr long kMaxMonitorAfterReset = 10000;

// `prefix`, then every fault name, each after a space.
std::string FaultNamesAfter(std::string prefix) {
    for (const auto& entry : kFaultNames) prefix += " " + std::string(entry.second);
    return prefix;
}

}  // namespace

std::string_view MonitorFaultName(MonitorFault fault) {
    for (const auto& [value, name] : kFaultNames) {
        if (value == fault) return name;
    }
    return "none";
}

std::optional<MonitorFault> MonitorFaultFromName(std::string_view name) {
    for (const auto& [value, text] : kFaultNames) {
        if (text == name) return value;
    }
    return std::nullopt;
}

bool ApplyProfile(ModuleConfig& config, std::string_view profile, std::string& error) {
    std::string_view name = profile;
    std::string_view value;
    bool hasValue = false;
    if (auto equals = profile.find('='); equals != std::string_view::npos) {
        name = profile.substr(0, equals);
        value = profile.substr(equals + 1);
        hasValue = true;
    }
    auto flag = [&](auto apply) {
        if (hasValue) {
            error = "profile '" + std::string(name) + "' takes no value";
            return false;
        }
        apply();
        return true;
    };
    auto number = [&](long limit, auto apply) {
        auto parsed = hasValue ? ParseNumber(value, limit) : std::nullopt;
        if (!parsed) {
            error = "profile '" + std::string(name) + "' needs a number from 0 to " +
                    std::to_string(limit);
            return false;
        }
        apply(*parsed);
        return true;
    };
    using std::chrono::milliseconds;

    if (name == "silent") {
        return flag([&] {
            config.answersSearch = false;
            config.answersStatus = false;
        });
    }
    if (name == "no-search") return flag([&] { config.answersSearch = false; });
    if (name == "broadcast-search-only") {
        return flag([&] { config.answersAddressedSearch = false; });
    }
    if (name == "long-reply") return flag([&] { config.searchReplySize = 31; });
    if (name == "twice") return flag([&] { config.searchReplyCount = 2; });
    if (name == "delay") {
        return number(kMaxMilliseconds,
                      [&](long ms) { config.searchReplyDelay = milliseconds(ms); });
    }
    if (name == "reply-port") {
        return number(65535, [&](long port) {
            config.replyPort =
                port == 0 ? discovery::kDiscoveryPort : static_cast<std::uint16_t>(port);
        });
    }
    if (name == "no-status") return flag([&] { config.answersStatus = false; });
    if (name == "status-late") {
        return number(kMaxMilliseconds,
                      [&](long ms) { config.statusReplyDelay = milliseconds(ms); });
    }
    if (name == "status-short") return flag([&] { config.statusReplySize = 60; });
    if (name == "status-long") return flag([&] { config.statusReplySize = 125; });
    if (name == "status-ignore") {
        return number(1000, [&](long n) { config.ignoreFirstStatusQueries = static_cast<int>(n); });
    }
    if (name == "ip-setup-ignore") {
        return number(1000, [&](long n) { config.ignoreFirstIpSetups = static_cast<int>(n); });
    }
    if (name == "refuse-record") {
        return number(255, [&](long n) { config.refuseRecord = static_cast<int>(n); });
    }
    if (name == "replaced-after-record") {
        return number(255, [&](long n) { config.replacedAfterRecord = static_cast<int>(n); });
    }
    if (name == "ip-setup-delay") {
        return number(kMaxMilliseconds, [&](long ms) { config.ipSetupDelay = milliseconds(ms); });
    }
    if (name == "echo-pause") {
        return number(kMaxEchoPause, [&](long ms) { config.echoPause = milliseconds(ms); });
    }
    if (name == "first-reply-late") {
        return number(kMaxMilliseconds,
                      [&](long ms) { config.firstReplyLate = milliseconds(ms); });
    }
    if (name == "reset-silence") {
        return number(kMaxMilliseconds, [&](long ms) { config.resetSilence = milliseconds(ms); });
    }
    if (name == "moves-on-reset") return flag([&] { config.movesOnReset = true; });
    if (name == "no-monitor") return flag([&] { config.monitorPort = false; });
    if (name == "no-web") return flag([&] { config.webPage = false; });
    if (name == "monitor-after-reset") {
        return number(kMaxMonitorAfterReset,
                      [&](long ms) { config.monitorAfterReset = milliseconds(ms); });
    }
    if (name == "monitor" || name == "monitor-once") {
        auto fault = hasValue ? MonitorFaultFromName(value) : std::nullopt;
        if (!fault) {
            error = FaultNamesAfter("profile '" + std::string(name) + "' needs one of:");
            return false;
        }
        const bool once = name == "monitor-once";
        if (once && *fault == MonitorFault::NeverAccept) {
            // Its connections are never taken, so none of them is the first.
            error = "profile 'monitor-once' cannot take never-accept: no connection is ever served";
            return false;
        }
        config.monitorFault = *fault;
        config.monitorFaultOnce = once;
        return true;
    }
    if (name == "link") {
        LinkFaults faults = config.linkFaults.value_or(LinkFaults{});
        std::string reason;
        if (!ParseLinkFaults(value, faults, reason)) {
            error = "profile 'link': " + reason;
            return false;
        }
        config.linkFaults = faults;
        return true;
    }
    error = "unknown profile '" + std::string(profile) + "'";
    return false;
}

std::string ProfileHelp() {
    std::string help =
        "  silent              answers neither searches nor status queries\n"
        "  no-search           does not answer searches\n"
        "  broadcast-search-only  answers a search only when it is a broadcast\n"
        "  long-reply          a 31-byte search reply\n"
        "  twice               answers every search twice\n"
        "  delay=MS            answers searches after MS milliseconds\n"
        "  reply-port=PORT     answers searches from PORT instead of 30718\n"
        "  no-status           does not answer status queries\n"
        "  status-late=MS      answers status queries after MS milliseconds\n"
        "  status-short        a 60-byte status reply\n"
        "  status-long         a 125-byte status reply\n"
        "  status-ignore=N     ignores the first N status queries\n"
        "  ip-setup-delay=MS   takes a new address MS milliseconds after IP-SETUP\n"
        "  ip-setup-ignore=N   takes no notice of its first N IP-SETUP commands\n"
        "  refuse-record=N     refuses a write of record N (answers '1')\n"
        "  replaced-after-record=N  closes the monitor connection right after storing a\n"
        "                      write of record N, before its echo: another module (other\n"
        "                      MAC, its own records, well-behaved) answers at its address\n"
        "                      from then on\n"
        "  echo-pause=MS       pauses MS milliseconds (up to 900) inside the echo of a\n"
        "                      record write, after \"S<n>\"\n"
        "  first-reply-late=MS the first reply to an address not answered for a minute\n"
        "                      comes MS milliseconds late, and the replies behind it\n"
        "  reset-silence=MS    silent for MS milliseconds after a reset\n"
        "  monitor-after-reset=MS  back from a reset, answers on the discovery port at\n"
        "                      once but opens its monitor port and web page MS\n"
        "                      milliseconds (up to 10000) later: a connection in between\n"
        "                      is refused\n"
        "  moves-on-reset      comes back from a reset at an address written into one\n"
        "                      of its records (its line on start says which and where)\n"
        "  no-monitor          no monitor port 9999\n"
        "  no-web              no web page on port 80\n"
        "  link=SETTINGS       link faults of this module alone, over those of --link\n"
        "  monitor=FAULT       a monitor port fault, one of:\n                     ";
    help = FaultNamesAfter(help);
    return help +
           "\n"
           "                      (no-banner: the greeting, then nothing, never \"Mode\")\n"
           "  monitor-once=FAULT  the monitor port fault FAULT (any but never-accept) on\n"
           "                      the module's first monitor connection only; every later\n"
           "                      connection is served well\n";
}

}  // namespace quelvar::sim
