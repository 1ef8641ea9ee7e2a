#include "platform/launcher_posix.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace quelvar::platform {

namespace {

// Terminal emulators tried after the desktop's choice, when no $TERMINAL is set
// or it is not installed.
const char* const kCommonTerminals[] = {"gnome-terminal", "konsole", "xfce4-terminal",
                                        "mate-terminal",  "lxterminal", "xterm"};

struct TerminalForm {
    const char* name;
    std::vector<std::string> prefix;
};

// How each known terminal takes a command with its arguments. Debian's
// x-terminal-emulator must take the rest of the line after "-e", whichever
// terminal it is.
const TerminalForm kTerminalForms[] = {
    {"x-terminal-emulator", {"-e"}},
    {"xterm", {"-e"}},
    {"uxterm", {"-e"}},
    {"konsole", {"-e"}},
    {"lxterminal", {"-e"}},
    {"urxvt", {"-e"}},
    {"rxvt", {"-e"}},
    {"alacritty", {"-e"}},
    {"st", {"-e"}},
    // "-e" takes one word in these; "-x" takes the rest of the line.
    {"xfce4-terminal", {"-x"}},
    {"mate-terminal", {"-x"}},
    {"terminator", {"-x"}},
    {"gnome-terminal", {"--"}},
    {"wezterm", {"start", "--"}},
    // The command follows the terminal's own options directly.
    {"kitty", {}},
    {"foot", {}},
};

std::string baseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One argument in single quotes, for the shell that runs a command file.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// A folder name the terminals' own word splitting keeps as one word.
bool plainPath(const std::string& path) {
    for (char c : path) {
        const bool safe = std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '.' ||
                          c == '_' || c == '-';
        if (!safe) return false;
    }
    return !path.empty();
}

}  // namespace

std::optional<std::vector<std::string>> TerminalCommandPrefix(const std::string& terminal) {
    const std::string name = baseName(terminal);
    for (const TerminalForm& form : kTerminalForms) {
        if (name == form.name) return form.prefix;
    }
    return std::nullopt;
}

std::optional<std::string> WriteCommandFile(const std::vector<std::string>& argv) {
    std::string folder = "/tmp";
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && plainPath(value) && ::access(value, W_OK | X_OK) == 0) {
            folder = value;
            break;
        }
    }
    std::string path = folder + "/quelvarinit-command-XXXXXX";
    const int fd = ::mkstemp(path.data());  // mode 0600: the user's alone
    if (fd < 0) return std::nullopt;
    std::string script = "#!/bin/sh\nrm -f \"$0\"\nexec";
    for (const std::string& argument : argv) script += " " + shellQuoted(argument);
    script += "\n";
    const bool written = ::write(fd, script.data(), script.size()) ==
                         static_cast<ssize_t>(script.size());
    const bool executable = ::fchmod(fd, S_IRWXU) == 0;
    ::close(fd);
    if (written && executable) return path;
    ::unlink(path.c_str());
    return std::nullopt;
}

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
                             std::function<std::optional<std::string>(const char*)> environment,
                             CommandWriter writer)
    : find_(std::move(finder)),
      spawn_(std::move(spawner)),
      environment_(std::move(environment)),
      writeCommand_(std::move(writer)) {}

std::optional<std::vector<std::string>> PosixLauncher::telnetCommand(const std::string& address,
                                                                     int port) const {
    std::optional<std::string> telnet = find_("telnet");
    if (!telnet) return std::nullopt;

    std::vector<std::string> terminals = {"x-terminal-emulator"};
    if (auto chosen = environment_("TERMINAL")) terminals.push_back(*chosen);
    for (const char* common : kCommonTerminals) terminals.emplace_back(common);

    const std::vector<std::string> client = {*telnet, address, std::to_string(port)};
    for (const std::string& name : terminals) {
        std::optional<std::string> terminal = find_(name);
        if (!terminal) continue;
        std::vector<std::string> command = {*terminal};
        if (auto prefix = TerminalCommandPrefix(*terminal)) {
            command.insert(command.end(), prefix->begin(), prefix->end());
            command.insert(command.end(), client.begin(), client.end());
        } else if (auto file = writeCommand_(client)) {
            // One word after "-e" reaches the command whole, whether the
            // terminal takes one word or the rest of the line there.
            command.insert(command.end(), {"-e", *file});
        } else {
            command.push_back("-e");
            command.insert(command.end(), client.begin(), client.end());
        }
        return command;
    }
    return std::nullopt;
}

StartResult PosixLauncher::startTelnet(const std::string& address, int port) {
    std::optional<std::vector<std::string>> command = telnetCommand(address, port);
    if (!command) return StartResult::NotFound;
    if (spawn_(*command)) return StartResult::Started;
    // A command file that no terminal will run is removed here.
    const std::string& last = command->back();
    if (last.find("/quelvarinit-command-") != std::string::npos) ::unlink(last.c_str());
    return StartResult::OtherFailure;
}

void PosixLauncher::openUrl(const std::string& url) {
    if (auto opener = find_("xdg-open")) spawn_({*opener, url});
}

std::unique_ptr<Launcher> makeDesktopLauncher() { return std::make_unique<PosixLauncher>(); }

}  // namespace quelvar::platform
