// quelvar-sim: a farm of simulated modules on loopback addresses, for the
// demo and the end-to-end tests. Run it only inside a private network
// namespace (scripts/netns-run).
#include <signal.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/socket.h"
#include "sim/farm.h"
#include "sim/link_faults.h"
#include "sim/module_datagrams.h"
#include "sim/profiles.h"
#include "sim/web_page.h"

namespace {

using quelvar::platform::Ipv4Endpoint;
using quelvar::platform::Ipv4Octets;
using namespace quelvar::sim;

constexpr int kMaxModules = 1000;

struct Options {
    int modules = 3;
    Ipv4Octets firstAddress{127, 0, 0, 2};
    std::vector<std::pair<int, std::string>> profiles;  // index (-1: all), profile
    std::optional<long> exitAfterSeconds;
    bool anyAddress = false;
    std::optional<std::string> claimAdapter;  // with anyAddress
    std::optional<LinkFaults> link;           // of every module
};

void PrintHelp() {
    std::cout << "Usage: quelvar-sim [OPTIONS]\n"
                 "Serves simulated modules on loopback addresses until SIGINT or SIGTERM.\n"
                 "Run it inside a private network namespace: scripts/netns-run quelvar-sim\n"
                 "\n"
                 "  --modules N               number of modules, 1 to 1000 (default 3)\n"
                 "  --first-address ADDRESS   address of module 0, the others follow\n"
                 "                            (default 127.0.0.2; all must be in 127.0.0.0/8)\n"
                 "  --profile INDEX:PROFILE   a behaviour of module INDEX (or 'all'); repeatable\n"
                 "  --link SETTINGS           faults of the path to every module, as settings\n"
                 "                            like loss=5%,delay=300,jitter=100,dup=1%\n"
                 "  --exit-after SECONDS      stop by itself after SECONDS\n"
                 "  --any-address             allow addresses outside 127.0.0.0/8 (only in a\n"
                 "                            private namespace whose links you made yourself)\n"
                 "  --claim-addresses IFNAME  put each module's address on adapter IFNAME while\n"
                 "                            a module lives there, and take it off when it\n"
                 "                            leaves or the program stops (with --any-address;\n"
                 "                            the prefix length of IFNAME's first address;\n"
                 "                            addresses already there stay)\n"
                 "  --help                    this text\n"
                 "\n"
                 "Profiles:\n"
              << ProfileHelp()
              << "\n"
                 "Link settings (--link, and link= for one module):\n"
              << LinkFaultsHelp()
              << "\n"
                 "Status replies are 124 bytes: a 4-byte header, then noise that changes from\n"
                 "reply to reply (seeded, so a run with the same seed and traffic repeats).\n"
                 "\n"
                 "Prints one line per module (address, MAC, product letters, version; and for\n"
                 "moves-on-reset the record and offset of its address), then 'ready' once\n"
                 "every module answers.\n";
}

std::optional<long> ParseNumber(std::string_view text) {
    long value = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

Ipv4Octets ToOctets(std::uint32_t number) {
    return {static_cast<std::uint8_t>(number >> 24), static_cast<std::uint8_t>(number >> 16),
            static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
}

// Usable module addresses: inside 127.0.0.0/8, neither its network address
// nor its broadcast address.
bool IsModuleAddress(std::uint32_t number) {
    return (number >> 24) == 127 && number != 0x7F000000u && number != 0x7FFFFFFFu;
}

// Reads the command line; nullopt after printing the reason (or the help).
std::optional<Options> ParseOptions(int argc, char** argv, int& exitCode) {
    Options options;
    exitCode = 2;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                std::cerr << "quelvar-sim: " << argument << " needs a value\n";
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        if (argument == "--help" || argument == "-h") {
            PrintHelp();
            exitCode = 0;
            return std::nullopt;
        } else if (argument == "--modules") {
            auto text = value();
            if (!text) return std::nullopt;
            auto count = ParseNumber(*text);
            if (!count || *count < 1 || *count > kMaxModules) {
                std::cerr << "quelvar-sim: --modules takes a number from 1 to " << kMaxModules
                          << "\n";
                return std::nullopt;
            }
            options.modules = static_cast<int>(*count);
        } else if (argument == "--first-address") {
            auto text = value();
            if (!text) return std::nullopt;
            auto address = quelvar::platform::parseIpv4(std::string(*text));
            if (!address) {
                std::cerr << "quelvar-sim: not an IPv4 address: " << *text << "\n";
                return std::nullopt;
            }
            options.firstAddress = *address;
        } else if (argument == "--profile") {
            auto text = value();
            if (!text) return std::nullopt;
            auto colon = text->find(':');
            std::optional<long> index;
            if (colon != std::string_view::npos) {
                index = text->substr(0, colon) == "all" ? std::optional<long>(-1)
                                                        : ParseNumber(text->substr(0, colon));
            }
            if (!index || *index < -1 || *index >= kMaxModules) {
                std::cerr << "quelvar-sim: --profile takes INDEX:PROFILE, like 0:twice\n";
                return std::nullopt;
            }
            options.profiles.emplace_back(static_cast<int>(*index),
                                          std::string(text->substr(colon + 1)));
        } else if (argument == "--link") {
            auto text = value();
            if (!text) return std::nullopt;
            LinkFaults faults = options.link.value_or(LinkFaults{});
            std::string error;
            if (!ParseLinkFaults(*text, faults, error)) {
                std::cerr << "quelvar-sim: --link: " << error << "\n";
                return std::nullopt;
            }
            options.link = faults;
        } else if (argument == "--any-address") {
            options.anyAddress = true;
        } else if (argument == "--claim-addresses") {
            auto text = value();
            if (!text) return std::nullopt;
            if (text->empty()) {
                std::cerr << "quelvar-sim: --claim-addresses needs an adapter name\n";
                return std::nullopt;
            }
            options.claimAdapter = std::string(*text);
        } else if (argument == "--exit-after") {
            auto text = value();
            if (!text) return std::nullopt;
            auto seconds = ParseNumber(*text);
            if (!seconds || *seconds < 1 || *seconds > 86400) {
                std::cerr << "quelvar-sim: --exit-after takes 1 to 86400 seconds\n";
                return std::nullopt;
            }
            options.exitAfterSeconds = *seconds;
        } else {
            std::cerr << "quelvar-sim: unknown option " << argument << " (see --help)\n";
            return std::nullopt;
        }
    }
    if (options.claimAdapter && !options.anyAddress) {
        std::cerr << "quelvar-sim: --claim-addresses needs --any-address\n";
        return std::nullopt;
    }
    return options;
}

// The modules the options describe, or nullopt after printing why not.
std::optional<std::vector<ModuleConfig>> BuildModules(const Options& options) {
    std::vector<ModuleConfig> modules;
    std::uint32_t first = AddressNumber(options.firstAddress);
    for (int i = 0; i < options.modules; ++i) {
        std::uint32_t number = first + static_cast<std::uint32_t>(i);
        bool usable = options.anyAddress ? (number & 0xFFu) != 0 && (number & 0xFFu) != 0xFFu
                                         : IsModuleAddress(number);
        if (number < first || !usable) {
            std::cerr << "quelvar-sim: module " << i << " would live at "
                      << Ipv4Endpoint{ToOctets(number), 0}.addressText()
                      << ", outside 127.0.0.0/8 (or its network or broadcast address)\n";
            return std::nullopt;
        }
        ModuleConfig config = DefaultModule(i);
        config.address = ToOctets(number);
        config.linkFaults = options.link;
        modules.push_back(std::move(config));
    }
    for (const auto& [index, profile] : options.profiles) {
        if (index >= options.modules) {
            std::cerr << "quelvar-sim: --profile for module " << index << ", but there are only "
                      << options.modules << "\n";
            return std::nullopt;
        }
        for (int i = 0; i < options.modules; ++i) {
            if (index != -1 && index != i) continue;
            std::string error;
            if (!ApplyProfile(modules[static_cast<std::size_t>(i)], profile, error)) {
                std::cerr << "quelvar-sim: " << error << "\n";
                return std::nullopt;
            }
        }
    }
    return modules;
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    auto options = ParseOptions(argc, argv, exitCode);
    if (!options) return exitCode;
    auto modules = BuildModules(*options);
    if (!modules) return 2;

    // Blocked before the farm's threads start, so that they inherit the mask
    // and only the wait below takes the signals.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Farm farm(*modules);
    // Nobody inspects the traffic of a farm served until a signal.
    farm.keepDatagrams(false);
    farm.allowAnyAddress(options->anyAddress);
    if (options->claimAdapter) farm.claimAddressesOn(*options->claimAdapter);
    if (int error = farm.start(); error != 0) {
        std::cerr << "quelvar-sim: cannot start the modules: "
                  << quelvar::platform::systemErrorText(error) << "\n";
        return 1;
    }
    for (const auto& config : *modules) {
        std::cout << Ipv4Endpoint{config.address, 0}.addressText() << " " << MacText(config.mac)
                  << " " << config.productLetters[0] << config.productLetters[1] << " "
                  << int{config.versionMajor} << "." << int{config.versionMinor};
        if (config.movesOnReset) {
            RecordPlace place = AddressPlaceInRecords(config);
            std::cout << " moves-on-reset record=" << place.record << " offset=" << place.offset;
        }
        std::cout << "\n";
    }
    std::cout << "ready" << std::endl;

    // Wakes every second so that --exit-after is honoured without a timer thread.
    long waited = 0;
    while (!options->exitAfterSeconds || waited < *options->exitAfterSeconds) {
        timespec second{1, 0};
        int taken = sigtimedwait(&signals, nullptr, &second);
        if (taken == SIGINT || taken == SIGTERM) break;
        if (taken < 0 && errno == EAGAIN) ++waited;
    }
    farm.stop();
    return 0;
}
