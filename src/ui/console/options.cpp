#include "ui/console/options.h"

#include <CLI/CLI.hpp>

#include "discovery/address_range.h"
#include "site/site_run.h"

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
    std::string device, address, file, broadcast, range, adapter, output, log, lang, logDir;
    std::string report, resume, html, csv, sheet, from;
    std::vector<std::string> devices, files, ignores;
    unsigned attempts = 1, jobs = site::kDefaultJobs;
    bool json = false, yes = false, verify = false, force = false;
};

struct CommandInfo {
    const char* name;
    Command command;
};

constexpr CommandInfo kCommands[] = {
    {"search", Command::Search}, {"ping", Command::Ping},
    {"set-ip", Command::SetIp},  {"save", Command::Save},
    {"load", Command::Load},     {"telnet", Command::Telnet},
    {"web", Command::Web},       {"commission", Command::Commission},
    {"backup", Command::Backup}, {"restore", Command::Restore},
    {"report", Command::Report}, {"dump", Command::Dump},
    {"diff", Command::Diff},     {"audit", Command::Audit},
};

// Every command and option of the console, in one table for the parser.
void declare(CLI::App& app, RawArguments& raw) {
    app.set_help_flag();  // --help and --version are answered before parsing
    app.require_subcommand(1);
    app.fallthrough();  // the common options may stand anywhere
    app.add_option("--log", raw.log)
        ->check(CLI::Validator(
            [](std::string& value) {
                return value.empty() ? std::string("needs a file name") : "";
            },
            "FILE"));
    app.add_option("--lang", raw.lang)->check(CLI::IsMember({"en", "ja"}));

    auto flag = [](CLI::App* command, const char* name, bool& value) {
        command->add_flag(name, value)->disable_flag_override();
    };
    auto device = [&raw](CLI::App* command) {
        command->add_option("DEVICE", raw.device)->required();
    };
    auto yes = [&](CLI::App* command) { flag(command, "--yes", raw.yes); };
    // Every command that searches may ask a range of addresses instead.
    auto range = [&raw](CLI::App* command) { command->add_option("--range", raw.range); };
    auto jobs = [&raw](CLI::App* command) {
        command->add_option("--jobs", raw.jobs)->check(CLI::Range(0u, kMaxJobs));
    };

    CLI::App* search = app.add_subcommand("search");
    flag(search, "--json", raw.json);
    search->add_option("--broadcast", raw.broadcast);
    search->add_option("--interface", raw.adapter);
    range(search);

    CLI::App* ping = app.add_subcommand("ping");
    ping->add_option("ADDRESS", raw.address)->required();
    ping->add_option("--attempts", raw.attempts)->check(CLI::Range(1u, kMaxPingAttempts));

    CLI::App* setIp = app.add_subcommand("set-ip");
    device(setIp);
    setIp->add_option("NEW_ADDRESS", raw.address)->required();
    yes(setIp);
    range(setIp);

    CLI::App* save = app.add_subcommand("save");
    device(save);
    save->add_option("--output", raw.output)->allow_extra_args(false);
    yes(save);
    range(save);

    CLI::App* load = app.add_subcommand("load");
    device(load);
    load->add_option("FILE", raw.file)->required();
    yes(load);
    flag(load, "--verify", raw.verify);
    flag(load, "--force", raw.force);
    range(load);

    for (const char* name : {"telnet", "web"}) {
        CLI::App* launch = app.add_subcommand(name);
        device(launch);
        range(launch);
    }

    CLI::App* commission = app.add_subcommand("commission");
    commission->add_option("SHEET", raw.file)->required();
    jobs(commission);
    commission->add_option("--log-dir", raw.logDir);
    commission->add_option("--report", raw.report);
    commission->add_option("--resume", raw.resume);
    flag(commission, "--verify", raw.verify);
    flag(commission, "--json", raw.json);
    yes(commission);
    range(commission);

    CLI::App* backup = app.add_subcommand("backup");
    backup->add_option("DIR", raw.file)->required();
    backup->add_option("DEVICE", raw.devices);
    jobs(backup);
    backup->add_option("--log-dir", raw.logDir);
    yes(backup);
    range(backup);

    CLI::App* restore = app.add_subcommand("restore");
    restore->add_option("DIR", raw.file)->required();
    jobs(restore);
    restore->add_option("--log-dir", raw.logDir);
    flag(restore, "--verify", raw.verify);
    restore->add_option("--report", raw.report);
    yes(restore);
    range(restore);

    CLI::App* report = app.add_subcommand("report");
    report->add_option("FILE", raw.files)->required();
    report->add_option("--html", raw.html);
    report->add_option("--csv", raw.csv);

    CLI::App* dump = app.add_subcommand("dump");
    dump->add_option("FILE", raw.file)->required();

    // Each side a file or a module: which, is told when the command runs.
    CLI::App* diff = app.add_subcommand("diff");
    diff->add_option("A", raw.files)->required()->expected(2);
    range(diff);

    CLI::App* audit = app.add_subcommand("audit");
    audit->add_option("REFERENCE", raw.file)->required();
    audit->add_option("DEVICE", raw.devices);
    audit->add_option("--sheet", raw.sheet);
    audit->add_option("--from", raw.from);
    audit->add_option("--ignore", raw.ignores)->allow_extra_args(false);
    audit->add_option("--report", raw.report);
    audit->add_option("--log-dir", raw.logDir);
    flag(audit, "--json", raw.json);
    jobs(audit);
    range(audit);

    // Words no command takes are gathered, and refused in the order given.
    app.allow_extras();
    for (CLI::App* command : app.get_subcommands({})) command->allow_extras();
}

// The common options that take a value; written as two words, that value is
// no command.
bool takesValue(std::string_view option) {
    return option == "--log" || option == "--lang";
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
    if (!raw.report.empty()) options.report = raw.report;
    if (!raw.resume.empty()) options.resume = raw.resume;
    if (!raw.output.empty()) options.output = raw.output;
    if (!raw.html.empty()) options.html = raw.html;
    if (!raw.csv.empty()) options.csv = raw.csv;
    options.files = raw.files;
    if (raw.lang == "en") options.language = platform::Language::English;
    if (raw.lang == "ja") options.language = platform::Language::Japanese;

    if (!raw.broadcast.empty()) {
        options.broadcast = platform::parseIpv4(raw.broadcast);
        if (!options.broadcast) return usageError("malformed address '" + raw.broadcast + "'");
    }
    if (!raw.range.empty()) {
        if (!raw.broadcast.empty()) return usageError("--range and --broadcast exclude each other");
        // The range's requests go wherever the routes send each address.
        if (!raw.adapter.empty()) return usageError("--range and --interface exclude each other");
        discovery::RangeError why;
        std::optional<std::vector<platform::Ipv4Octets>> range =
            discovery::ParseAddressRange(raw.range, why);
        if (!range) {
            return usageError(ops::WordsOf(ops::FactOf(why),
                                           options.language.value_or(platform::userInterfaceLanguage())));
        }
        options.range = std::move(*range);
    }
    for (const std::string& text : raw.devices) {
        std::optional<DeviceSelector> selector = ParseDeviceSelector(text);
        if (!selector) return usageError("malformed MAC or IPv4 address '" + text + "'");
        options.devices.push_back(*selector);
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
    if ((command == Command::Load || command == Command::Commission || command == Command::Backup ||
         command == Command::Restore || command == Command::Dump) &&
        raw.file.empty()) {
        return usageError("a file or folder name may not be empty");
    }
    if (command == Command::Diff) {
        for (const std::string& name : raw.files) {
            if (name.empty()) return usageError("a file name or module may not be empty");
        }
    }
    if (command == Command::Audit) {
        if (raw.file.empty()) return usageError("a file or folder name may not be empty");
        if (!raw.sheet.empty()) options.sheet = raw.sheet;
        if (!raw.from.empty()) options.from = raw.from;
        // One source of modules: a backup, a sheet, or those named or searched for.
        if (options.from && (options.sheet || !options.devices.empty() || !options.range.empty())) {
            return usageError("--from takes no DEVICE, --range or --sheet");
        }
        if (options.sheet && (!options.devices.empty() || !options.range.empty())) {
            return usageError("--sheet takes no DEVICE or --range");
        }
        for (const std::string& text : raw.ignores) {
            std::optional<site::IgnoredBytes> ignored = site::ParseIgnoredBytes(text);
            if (!ignored) return usageError("malformed --ignore '" + text + "' (RECORD or RECORD:FROM-TO)");
            options.ignored.push_back(*ignored);
        }
    }
    if (command == Command::Report) {
        if (!options.html && !options.csv) return usageError("report needs --html FILE or --csv FILE");
        for (const std::string& name : raw.files) {
            if (name.empty()) return usageError("a file or folder name may not be empty");
        }
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

    // The first word that is neither an option nor a common option's value
    // names the command.
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.starts_with("-")) {
            if (takesValue(argument)) ++i;
            continue;
        }
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
    std::vector<std::string> extras = app.remaining(true);
    if (!extras.empty()) {
        std::string words;
        for (const std::string& word : extras) words += " " + word;
        return usageError("not expected:" + words);
    }
    for (const CommandInfo& info : kCommands) {
        if (app.got_subcommand(info.name)) return interpret(info.command, raw);
    }
    return usageError("no command given");
}

std::string UsageText() {
    return "Usage:\n"
           "  quelvarinit-cli search [--json] [--broadcast ADDRESS | --range RANGE] [--interface "
           "NAME]\n"
           "  quelvarinit-cli ping ADDRESS [--attempts N]\n"
           "  quelvarinit-cli set-ip DEVICE NEW_ADDRESS [--yes]\n"
           "  quelvarinit-cli save DEVICE [--output FILE] [--yes]\n"
           "  quelvarinit-cli load DEVICE FILE [--yes] [--verify] [--force]\n"
           "  quelvarinit-cli telnet DEVICE\n"
           "  quelvarinit-cli web DEVICE\n"
           "  quelvarinit-cli commission SHEET.csv [--jobs N] [--log-dir DIR] [--verify] [--yes]\n"
           "                                      [--report FILE.json] [--resume FILE.json] "
           "[--json]\n"
           "  quelvarinit-cli backup DIR [DEVICE...] [--jobs N] [--log-dir DIR] [--yes]\n"
           "  quelvarinit-cli restore DIR [--jobs N] [--log-dir DIR] [--verify] [--yes]\n"
           "                                      [--report FILE.json]\n"
           "  quelvarinit-cli report FILE.json... [--html OUT.html] [--csv OUT.csv]\n"
           "  quelvarinit-cli dump FILE.rec\n"
           "  quelvarinit-cli diff A B\n"
           "  quelvarinit-cli audit REFERENCE.rec [DEVICE...] [--range RANGE | --sheet SHEET.csv |\n"
           "                                      --from BACKUP_DIR] [--ignore RECORD[:FROM-TO]]...\n"
           "                                      [--jobs N] [--log-dir DIR] [--json] "
           "[--report OUT.json]\n"
           "\n"
           "DEVICE is a MAC address (02-00-00-AA-BB-CC or 02:00:00:aa:bb:cc), the first\n"
           "module of a search with it, or the dotted IPv4 address of a module, asked\n"
           "there. Every command that searches takes --range FIRST-LAST or\n"
           "--range ADDRESS/PREFIX (at most 4096 addresses): the search request then\n"
           "goes to each of them, so modules behind routers answer too.\n"
           "Each of diff's A and B is a .rec file or a DEVICE: a file when there is one\n"
           "of that name.\n"
           "audit compares every module found (or named, or of the sheet, or of the backup)\n"
           "with REFERENCE.rec, record by record; --ignore leaves bytes out, e.g. 0:4-7.\n"
           "\n"
           "Common options:\n"
           "  --log FILE     write the activity log to FILE when the command ends\n"
           "  --lang en|ja   language of the messages (default: from the locale)\n"
           "  --help         show this text\n"
           "  --version      show the version\n"
           "\n"
           "Exit status: 0 success, 1 failure, 2 usage error, 130 stopped with Ctrl+C;\n"
           "diff: 0 the same, 1 different, 2 when it cannot compare;\n"
           "audit: 0 every module the same, 1 any not, 2 when it cannot compare.\n";
}

}  // namespace quelvar::ui::console
