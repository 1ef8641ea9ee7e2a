#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/launcher.h"

namespace quelvar::platform {

// How a command line is started: the program and its arguments, never
// through a shell. Returns false when the program could not be started.
using ProcessSpawner = std::function<bool(const std::vector<std::string>& argv)>;
// Where a program of this name lives on PATH, or nullopt.
using ProgramFinder = std::function<std::optional<std::string>(const std::string& name)>;
// Writes a one-word command that runs `argv` (and then removes itself); its
// path, or nullopt when it could not be written.
using CommandWriter =
    std::function<std::optional<std::string>(const std::vector<std::string>& argv)>;

// Default seams: a PATH lookup, a detached child started with posix_spawn, and
// a shell script in $XDG_RUNTIME_DIR (else $TMPDIR or /tmp), readable by the
// user alone, that deletes itself and then runs the command.
std::optional<std::string> FindOnPath(const std::string& name);
bool SpawnDetached(const std::vector<std::string>& argv);
std::optional<std::string> WriteCommandFile(const std::vector<std::string>& argv);

// On a POSIX desktop a telnet client is a terminal program: it is started as
// `telnet ADDRESS PORT` inside the user's terminal emulator. Web addresses go
// to xdg-open, the desktop's default handler.
//
// Terminals disagree on how they take a command with arguments: most take the
// rest of the line after "-e", some only one word after "-e" (their
// rest-of-line flag is "-x"), gnome-terminal takes "--". Each known terminal
// gets its own form; an unknown one (from $TERMINAL) gets "-e" and a single
// word, a small command file that holds the arguments, which every form passes
// on whole.
class PosixLauncher : public Launcher {
public:
    PosixLauncher();  // the real PATH search and a detached child process
    PosixLauncher(ProgramFinder finder, ProcessSpawner spawner,
                  std::function<std::optional<std::string>(const char*)> environment,
                  CommandWriter writer = WriteCommandFile);

    StartResult startTelnet(const std::string& address, int port) override;
    void openUrl(const std::string& url) override;

    // The command line startTelnet would run, or nullopt when no telnet
    // client or no terminal emulator exists.
    std::optional<std::vector<std::string>> telnetCommand(const std::string& address,
                                                          int port) const;

private:
    ProgramFinder find_;
    ProcessSpawner spawn_;
    std::function<std::optional<std::string>(const char*)> environment_;
    CommandWriter writeCommand_;
};

// The arguments a known terminal emulator (by its program name) needs in front
// of a command and its arguments; nullopt for a terminal not known here.
std::optional<std::vector<std::string>> TerminalCommandPrefix(const std::string& terminal);

}  // namespace quelvar::platform
