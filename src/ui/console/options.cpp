#include "ui/console/options.h"

#include <array>
#include <charconv>
#include <string_view>

namespace quelvar::ui::console {

namespace {

struct CommandInfo {
    const char* name;
    Command command;
    std::size_t operands;
    const char* operandNames;
    // The command options it accepts, by long name.
    std::vector<std::string_view> options;
};

const std::array<CommandInfo, 8>& commandTable() {
    static const std::array<CommandInfo, 8> table{{
        {"search", Command::Search, 0, "", {"--json", "--broadcast", "--interface"}},
        {"ping", Command::Ping, 1, "ADDRESS", {"--attempts"}},
        {"set-ip", Command::SetIp, 2, "DEVICE NEW_ADDRESS", {"--yes"}},
        {"save", Command::Save, 1, "DEVICE", {"--output", "--yes"}},
        {"load", Command::Load, 2, "DEVICE FILE", {"--yes", "--verify"}},
        {"telnet", Command::Telnet, 1, "DEVICE", {}},
        {"web", Command::Web, 1, "DEVICE", {}},
        {"commission", Command::Commission, 1, "SHEET.csv",
         {"--yes", "--jobs", "--log-dir", "--verify"}},
    }};
    return table;
}

bool takesValue(std::string_view option) {
    return option == "--broadcast" || option == "--interface" || option == "--attempts" ||
           option == "--output" || option == "--log" || option == "--lang" || option == "--jobs" ||
           option == "--log-dir";
}

bool isKnownOption(std::string_view option) {
    return option == "--json" || option == "--broadcast" || option == "--interface" ||
           option == "--attempts" ||
           option == "--yes" || option == "--output" || option == "--verify" || option == "--log" ||
           option == "--lang" || option == "--jobs" || option == "--log-dir";
}

std::optional<unsigned> parseCount(const std::string& value, unsigned lowest, unsigned highest) {
    unsigned count = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (error != std::errc() || end != value.data() + value.size() || count < lowest ||
        count > highest) {
        return std::nullopt;
    }
    return count;
}

ParsedArguments usageError(std::string message) {
    ParsedArguments parsed;
    parsed.outcome = ParsedArguments::Outcome::UsageError;
    parsed.error = std::move(message);
    return parsed;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h") {
            return {ParsedArguments::Outcome::Help, {}, {}};
        }
        if (argument == "--version") return {ParsedArguments::Outcome::Version, {}, {}};
    }

    // Split into options (with their values) and operands, in order.
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (!isKnownOption(name)) return usageError("unknown option '" + name + "'");
        if (takesValue(name)) {
            if (!value) {
                if (i + 1 >= arguments.size())
                    return usageError("option " + name + " needs a value");
                value = arguments[++i];
            }
        } else if (value) {
            return usageError("option " + name + " takes no value");
        }
        options.emplace_back(name, value.value_or(""));
    }

    if (operands.empty()) return usageError("no command given");
    const CommandInfo* info = nullptr;
    for (const CommandInfo& candidate : commandTable()) {
        if (operands[0] == candidate.name) info = &candidate;
    }
    if (info == nullptr) return usageError("unknown command '" + operands[0] + "'");
    operands.erase(operands.begin());
    if (operands.size() != info->operands) {
        std::string expected =
            info->operands == 0 ? std::string("no operands") : std::string(info->operandNames);
        return usageError(std::string(info->name) + " takes " + expected);
    }

    ParsedArguments parsed;
    parsed.outcome = ParsedArguments::Outcome::Run;
    Options& result = parsed.options;
    result.command = info->command;

    for (const auto& [name, value] : options) {
        bool common = name == "--log" || name == "--lang";
        bool accepted = common;
        for (std::string_view allowed : info->options) accepted = accepted || allowed == name;
        if (!accepted) return usageError("option " + name + " does not apply to " + info->name);

        if (name == "--log") {
            if (value.empty()) return usageError("option --log needs a file name");
            result.logFile = value;
        } else if (name == "--lang") {
            if (value == "en")
                result.language = platform::Language::English;
            else if (value == "ja")
                result.language = platform::Language::Japanese;
            else
                return usageError("option --lang takes en or ja, not '" + value + "'");
        } else if (name == "--json") {
            result.json = true;
        } else if (name == "--broadcast") {
            result.broadcast = ParseIpv4Address(value);
            if (!result.broadcast) return usageError("malformed address '" + value + "'");
        } else if (name == "--interface") {
            if (value.empty()) return usageError("option --interface needs an adapter name");
            result.interface = value;
        } else if (name == "--attempts") {
            std::optional<unsigned> attempts = parseCount(value, 1, kMaxPingAttempts);
            if (!attempts) {
                return usageError("option --attempts takes a number from 1 to " +
                                  std::to_string(kMaxPingAttempts));
            }
            result.attempts = *attempts;
        } else if (name == "--jobs") {
            std::optional<unsigned> jobs = parseCount(value, 0, kMaxJobs);
            if (!jobs) {
                return usageError("option --jobs takes a number from 0 (one per row) to " +
                                  std::to_string(kMaxJobs));
            }
            result.jobs = *jobs;
        } else if (name == "--log-dir") {
            if (value.empty()) return usageError("option --log-dir needs a folder name");
            result.logDir = value;
        } else if (name == "--yes") {
            result.yes = true;
        } else if (name == "--output") {
            if (value.empty()) return usageError("option --output needs a file name");
            result.output = value;
        } else if (name == "--verify") {
            result.verify = true;
        }
    }

    auto device = [&](const std::string& text) -> bool {
        result.device = ParseDeviceSelector(text);
        return result.device.has_value();
    };
    switch (result.command) {
        case Command::Search:
            break;
        case Command::Ping:
            result.address = ParseIpv4Address(operands[0]);
            if (!result.address) return usageError("malformed address '" + operands[0] + "'");
            break;
        case Command::SetIp:
            if (!device(operands[0])) {
                return usageError("malformed MAC or IPv4 address '" + operands[0] + "'");
            }
            result.address = ParseIpv4Address(operands[1]);
            if (!result.address) return usageError("malformed address '" + operands[1] + "'");
            break;
        case Command::Save:
        case Command::Telnet:
        case Command::Web:
            if (!device(operands[0])) {
                return usageError("malformed MAC or IPv4 address '" + operands[0] + "'");
            }
            break;
        case Command::Load:
            if (!device(operands[0])) {
                return usageError("malformed MAC or IPv4 address '" + operands[0] + "'");
            }
            result.file = operands[1];
            if (result.file.empty()) return usageError("load needs a file name");
            break;
        case Command::Commission:
            result.file = operands[0];
            if (result.file.empty()) return usageError("commission needs a sheet file name");
            break;
    }
    return parsed;
}

std::string UsageText() {
    return "Usage:\n"
           "  quelvarinit-cli search [--json] [--broadcast ADDRESS] [--interface NAME]\n"
           "  quelvarinit-cli ping ADDRESS [--attempts N]\n"
           "  quelvarinit-cli set-ip DEVICE NEW_ADDRESS [--yes]\n"
           "  quelvarinit-cli save DEVICE [--output FILE] [--yes]\n"
           "  quelvarinit-cli load DEVICE FILE [--yes] [--verify]\n"
           "  quelvarinit-cli telnet DEVICE\n"
           "  quelvarinit-cli web DEVICE\n"
           "  quelvarinit-cli commission SHEET.csv [--jobs N] [--log-dir DIR] [--verify] [--yes]\n"
           "\n"
           "DEVICE is a MAC address (02-00-00-AA-BB-CC or 02:00:00:aa:bb:cc) or the\n"
           "dotted IPv4 address a module answers from; the first module of a search\n"
           "that matches is used.\n"
           "\n"
           "Common options:\n"
           "  --log FILE     write the activity log to FILE when the command ends\n"
           "  --lang en|ja   language of the messages (default: from the locale)\n"
           "  --help         show this text\n"
           "  --version      show the version\n"
           "\n"
           "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

}  // namespace quelvar::ui::console
