#include "ui/console/options.h"

#include <CLI/CLI.hpp>

#include <string_view>

namespace quelvar::ui::console {

namespace {

ParsedArguments usageError(std::string message) {
    ParsedArguments parsed;
    parsed.outcome = ParsedArguments::Outcome::UsageError;
    parsed.error = std::move(message);
    return parsed;
}

// What the command line said, before the operands are read as addresses.
struct RawArguments {
    std::string device, address, file, broadcast, adapter, output, log, lang, logDir;
    unsigned attempts = 1, jobs = 1;
    bool json = false, yes = false, verify = false, force = false;
};

struct CommandInfo {
    const char* name;
    Command command;
};

constexpr CommandInfo kCommands[] = {
    {"search", Command::Search}, {"ping", Command::Ping},     {"set-ip", Command::SetIp},
    {"save", Command::Save},     {"load", Command::Load},     {"telnet", Command::Telnet},
    {"web", Command::Web},       {"commission", Command::Commission},
};

// Every command and option of the console, in one table for the parser.
void declare(CLI::App& app, RawArguments& raw) {
    app.set_help_flag();  // --help and --version are answered before parsing
    app.require_subcommand(1);
    app.fallthrough();    // the common options may stand anywhere
    app.add_option("--log", raw.log)->check(CLI::Validator(
        [](std::string& value) { return value.empty() ? std::string("needs a file name") : ""; },
        "FILE"));
    app.add_option("--lang", raw.lang)->check(CLI::IsMember({"en", "ja"}));

    auto flag = [](CLI::App* command, const char* name, bool& value) {
        command->add_flag(name, value)->disable_flag_override();
    };
    auto device = [&raw](CLI::App* command) {
        command->add_option("DEVICE", raw.device)->required();
    };
    auto yes = [&](CLI::App* command) { flag(command, "--yes", raw.yes); };

    CLI::App* search = app.add_subcommand("search");
    flag(search, "--json", raw.json);
    search->add_option("--broadcast", raw.broadcast);
    search->add_option("--interface", raw.adapter);

    CLI::App* ping = app.add_subcommand("ping");
    ping->add_option("ADDRESS", raw.address)->required();
    ping->add_option("--attempts", raw.attempts)->check(CLI::Range(1u, kMaxPingAttempts));

    CLI::App* setIp = app.add_subcommand("set-ip");
    device(setIp);
    setIp->add_option("NEW_ADDRESS", raw.address)->required();
    yes(setIp);

    CLI::App* save = app.add_subcommand("save");
    device(save);
    save->add_option("--output", raw.output)->allow_extra_args(false);
    yes(save);

    CLI::App* load = app.add_subcommand("load");
    device(load);
    load->add_option("FILE", raw.file)->required();
    yes(load);
    flag(load, "--verify", raw.verify);
    flag(load, "--force", raw.force);

    device(app.add_subcommand("telnet"));
    device(app.add_subcommand("web"));

    CLI::App* commission = app.add_subcommand("commission");
    commission->add_option("SHEET", raw.file)->required();
    commission->add_option("--jobs", raw.jobs)->check(CLI::Range(0u, kMaxJobs));
    commission->add_option("--log-dir", raw.logDir);
    flag(commission, "--verify", raw.verify);
    yes(commission);
}

// The operands and option values read as what they name.
ParsedArguments interpret(Command command, const RawArguments& raw) {
    ParsedArguments parsed;
    parsed.outcome = ParsedArguments::Outcome::Run;
    Options& options = parsed.options;
    options.command = command;
    options.json = raw.json;
    options.yes = raw.yes;
    options.verify = raw.verify;
    options.force = raw.force;
    options.attempts = raw.attempts;
    options.jobs = raw.jobs;
    options.file = raw.file;
    if (!raw.log.empty()) options.logFile = raw.log;
    if (!raw.adapter.empty()) options.interface = raw.adapter;
    if (!raw.logDir.empty()) options.logDir = raw.logDir;
    if (!raw.output.empty()) options.output = raw.output;
    if (raw.lang == "en") options.language = platform::Language::English;
    if (raw.lang == "ja") options.language = platform::Language::Japanese;

    if (!raw.broadcast.empty()) {
        options.broadcast = platform::parseIpv4(raw.broadcast);
        if (!options.broadcast) return usageError("malformed address '" + raw.broadcast + "'");
    }
    if (!raw.device.empty() || command == Command::SetIp || command == Command::Save ||
        command == Command::Load || command == Command::Telnet || command == Command::Web) {
        options.device = ParseDeviceSelector(raw.device);
        if (!options.device) {
            return usageError("malformed MAC or IPv4 address '" + raw.device + "'");
        }
    }
    if (command == Command::Ping || command == Command::SetIp) {
        options.address = platform::parseIpv4(raw.address);
        if (!options.address) return usageError("malformed address '" + raw.address + "'");
        if (command == Command::SetIp && !discovery::IsModuleAddress(*options.address)) {
            return usageError("no module can hold the address " + raw.address);
        }
    }
    if ((command == Command::Load || command == Command::Commission) && raw.file.empty()) {
        return usageError(std::string(command == Command::Load ? "load" : "commission") +
                          " needs a file name");
    }
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

    // The first word that is no option names the command.
    for (const std::string& argument : arguments) {
        if (argument.starts_with("-")) continue;
        bool known = false;
        for (const CommandInfo& info : kCommands) known = known || argument == info.name;
        if (!known) return usageError("unknown command '" + argument + "'");
        break;
    }

    CLI::App app("quelvarinit-cli");
    RawArguments raw;
    declare(app, raw);
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        std::string text = error.what();
        if (arguments.empty()) text = "no command given";
        return usageError(text);
    }
    for (const CommandInfo& info : kCommands) {
        if (app.got_subcommand(info.name)) return interpret(info.command, raw);
    }
    return usageError("no command given");
}

std::string UsageText() {
    return "Usage:\n"
           "  quelvarinit-cli search [--json] [--broadcast ADDRESS] [--interface NAME]\n"
           "  quelvarinit-cli ping ADDRESS [--attempts N]\n"
           "  quelvarinit-cli set-ip DEVICE NEW_ADDRESS [--yes]\n"
           "  quelvarinit-cli save DEVICE [--output FILE] [--yes]\n"
           "  quelvarinit-cli load DEVICE FILE [--yes] [--verify] [--force]\n"
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
