#pragma once

#include <memory>
#include <string>
#include <vector>

namespace quelvar::platform {

enum class StartResult {
    Started,
    NotFound,      // no such program anywhere the platform looks
    OtherFailure,  // found but could not be started
};

// Starting outside programs. The operations only say what to start; the
// platform decides how, and tests substitute a recorder.
class Launcher {
public:
    virtual ~Launcher() = default;

    // A terminal client connected to host:port (telnet), without a shell in between.
    virtual StartResult startTelnet(const std::string& address, int port) = 0;

    // Open an address with the desktop's default handler for it.
    virtual void openUrl(const std::string& url) = 0;
};

// The launcher of the platform the program runs on: PosixLauncher or
// WindowsLauncher.
std::unique_ptr<Launcher> makeDesktopLauncher();

}  // namespace quelvar::platform
