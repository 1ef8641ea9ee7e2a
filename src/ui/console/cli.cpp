#include "ui/console/cli.h"

#include <fstream>
#include <ostream>

#include "version.h"
#include "platform/launcher.h"
#include "platform/utf8.h"
#include "ui/console/commands.h"

namespace quelvar::ui::console {

namespace {

int dispatch(Console& console, ConsoleEvents& events) {
    switch (console.options.command) {
        case Command::Search: return RunSearchCommand(console, events);
        case Command::Ping: return RunPingCommand(console, events);
        case Command::SetIp: return RunSetIpCommand(console, events);
        case Command::Save: return RunSaveCommand(console, events);
        case Command::Load: return RunLoadCommand(console, events);
        case Command::Telnet: return RunTelnetCommand(console, events);
        case Command::Web: return RunWebCommand(console, events);
        case Command::Commission: return RunCommissionCommand(console, events);
        case Command::Backup: return RunBackupCommand(console, events);
        case Command::Restore: return RunRestoreCommand(console, events);
        case Command::Report: return RunReportCommand(console);
        case Command::Dump: return RunDumpCommand(console);
        case Command::Diff: return RunDiffCommand(console, events);
        case Command::Audit: return RunAuditCommand(console, events);
    }
    return kExitUsage;
}

bool writeLog(const std::string& path, const std::string& log) {
    std::ofstream stream(platform::pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    stream.write(log.data(), static_cast<std::streamsize>(log.size()));
    stream.close();
    return !stream.fail();
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, CliEnvironment& environment) {
    ParsedArguments parsed = ParseArguments(arguments);
    switch (parsed.outcome) {
        case ParsedArguments::Outcome::Help:
            environment.out << UsageText();
            return kExitSuccess;
        case ParsedArguments::Outcome::Version:
            environment.out << "quelvarinit-cli " << kApplicationVersion << " (build "
                            << kBuildNumber << ")\n";
            return kExitSuccess;
        case ParsedArguments::Outcome::UsageError:
            environment.err << "quelvarinit-cli: " << parsed.error << '\n'
                            << "Try 'quelvarinit-cli --help'.\n";
            return kExitUsage;
        case ParsedArguments::Outcome::Run:
            break;
    }
    const Options& options = parsed.options;
    std::unique_ptr<platform::Launcher> desktopLauncher = platform::makeDesktopLauncher();
    Console console{environment.in,
                    environment.out,
                    environment.err,
                    environment.inputIsTerminal,
                    environment.errorIsTerminal,
                    options,
                    options.language.value_or(
                        environment.language.value_or(platform::userInterfaceLanguage())),
                    environment.launcher != nullptr ? *environment.launcher : *desktopLauncher};
    int status = kExitUsage;
    std::string log;
    {
        ConsoleEvents events(console);
        status = dispatch(console, events);
        log = events.log();
    }
    // Written on failure too: that is when the trace is wanted most.
    if (options.logFile && !writeLog(*options.logFile, log)) {
        environment.err << "quelvarinit-cli: cannot write the log to " << *options.logFile << '\n';
        if (status == kExitSuccess) status = kExitFailure;
    }
    environment.out.flush();
    environment.err.flush();
    return status;
}

}  // namespace quelvar::ui::console
