#include "ui/console/cli.h"

#include <fstream>
#include <ostream>

#include "app/dialog_template.h"
#include "platform/launcher.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "ui/console/commands.h"

namespace quelvar::ui::console {

namespace {

int dispatch(Session& session) {
    switch (session.options().command) {
        case Command::Search:
            return RunSearchCommand(session);
        case Command::Ping:
            return RunPingCommand(session);
        case Command::SetIp:
            return RunSetIpCommand(session);
        case Command::Save:
            return RunSaveCommand(session);
        case Command::Load:
            return RunLoadCommand(session);
        case Command::Telnet:
            return RunTelnetCommand(session);
        case Command::Web:
            return RunWebCommand(session);
        case Command::Commission:
            return RunCommissionCommand(session);
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
            environment.out << "quelvarinit-cli " << app::kApplicationVersion << " (build "
                            << app::kBuildNumber << ")\n";
            return kExitSuccess;
        case ParsedArguments::Outcome::UsageError:
            environment.err << "quelvarinit-cli: " << parsed.error << '\n'
                            << "Try 'quelvarinit-cli --help'.\n";
            return kExitUsage;
        case ParsedArguments::Outcome::Run:
            break;
    }
    const Options& options = parsed.options;

    platform::Language language =
        options.language.value_or(environment.language.value_or(platform::userInterfaceLanguage()));
    std::filesystem::path executable = environment.executablePath.empty()
                                           ? platform::executablePath()
                                           : environment.executablePath;
    std::unique_ptr<platform::Launcher> desktopLauncher = platform::makeDesktopLauncher();
    platform::Launcher& launcher =
        environment.launcher != nullptr ? *environment.launcher : *desktopLauncher;

    ConsoleStreams io{environment.in, environment.out, environment.err, environment.inputIsTerminal,
                      environment.errorIsTerminal};
    Session session(io, options, launcher, language, executable);
    int status = dispatch(session);
    session.view().eraseProgress();

    // Written on failure too: that is when the trace is wanted most.
    if (options.logFile && !writeLog(*options.logFile, session.view().log())) {
        environment.err << "quelvarinit-cli: cannot write the log to " << *options.logFile << '\n';
        if (status == kExitSuccess) status = kExitFailure;
    }
    environment.out.flush();
    environment.err.flush();
    return status;
}

}  // namespace quelvar::ui::console
