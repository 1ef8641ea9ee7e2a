#include "platform/launcher_posix.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace quelvar::platform {

namespace {

// Terminal emulators tried after the desktop's choice, each taking the
// command to run after "-e".
const char* const kCommonTerminals[] = {"gnome-terminal", "konsole", "xfce4-terminal",
                                        "mate-terminal",  "lxterminal", "xterm"};

std::vector<std::string> inTerminal(const std::string& terminal, const std::string& telnet,
                                    const std::string& address, int port) {
    // gnome-terminal wants "--" before the command; the others take "-e".
    if (terminal.size() >= 14 && terminal.compare(terminal.size() - 14, 14, "gnome-terminal") == 0) {
        return {terminal, "--", telnet, address, std::to_string(port)};
    }
    return {terminal, "-e", telnet, address, std::to_string(port)};
}

}  // namespace

std::optional<std::string> FindOnPath(const std::string& name) {
    if (name.empty()) return std::nullopt;
    auto executable = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               ::access(path.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string::npos) {
        return executable(name) ? std::optional<std::string>(name) : std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        std::string candidate = folder + "/" + name;
        if (executable(candidate)) return candidate;
    }
    return std::nullopt;
}

bool SpawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    std::vector<char*> arguments;
    for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    pid_t child = 0;
    int result = ::posix_spawnp(&child, arguments[0], nullptr, nullptr, arguments.data(), environ);
    if (result != 0) return false;
    // Reap the child in the background so it never lingers as a zombie; the
    // tool does not wait for the started program.
    std::thread([child] {
        int status = 0;
        ::waitpid(child, &status, 0);
    }).detach();
    return true;
}

PosixLauncher::PosixLauncher()
    : PosixLauncher(FindOnPath, SpawnDetached, [](const char* name) -> std::optional<std::string> {
          const char* value = std::getenv(name);
          if (!value || !*value) return std::nullopt;
          return std::string(value);
      }) {}

PosixLauncher::PosixLauncher(ProgramFinder finder, ProcessSpawner spawner,
                             std::function<std::optional<std::string>(const char*)> environment)
    : find_(std::move(finder)), spawn_(std::move(spawner)), environment_(std::move(environment)) {}

std::optional<std::vector<std::string>> PosixLauncher::telnetCommand(const std::string& address,
                                                                     int port) const {
    std::optional<std::string> telnet = find_("telnet");
    if (!telnet) return std::nullopt;

    std::vector<std::string> terminals = {"x-terminal-emulator"};
    if (auto chosen = environment_("TERMINAL")) terminals.push_back(*chosen);
    for (const char* common : kCommonTerminals) terminals.emplace_back(common);

    for (const std::string& name : terminals) {
        if (auto terminal = find_(name)) return inTerminal(*terminal, *telnet, address, port);
    }
    return std::nullopt;
}

StartResult PosixLauncher::startTelnet(const std::string& address, int port) {
    std::optional<std::vector<std::string>> command = telnetCommand(address, port);
    if (!command) return StartResult::NotFound;
    return spawn_(*command) ? StartResult::Started : StartResult::OtherFailure;
}

void PosixLauncher::openUrl(const std::string& url) {
    if (auto opener = find_("xdg-open")) spawn_({*opener, url});
}

std::unique_ptr<Launcher> makeDesktopLauncher() { return std::make_unique<PosixLauncher>(); }

}  // namespace quelvar::platform
