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

// On a POSIX desktop a telnet client is a terminal program: it is started as
// `telnet ADDRESS PORT` inside the user's terminal emulator. Web addresses go
// to xdg-open, the desktop's default handler.
class PosixLauncher : public Launcher {
public:
    PosixLauncher();  // the real PATH search and a detached child process
    PosixLauncher(ProgramFinder finder, ProcessSpawner spawner,
                  std::function<std::optional<std::string>(const char*)> environment);

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
};

// Default seams: a PATH lookup and a detached child started with posix_spawn.
std::optional<std::string> FindOnPath(const std::string& name);
bool SpawnDetached(const std::vector<std::string>& argv);

}  // namespace quelvar::platform
