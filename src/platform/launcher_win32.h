#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/launcher.h"

namespace quelvar::platform {

// Opens a program with parameters, or a document or address, the way the
// shell does ("open", shown normally, no owner window, no working folder).
// Texts are UTF-8. Returns ShellExecute's result: above 32 on success,
// 2 (ERROR_FILE_NOT_FOUND) when there is no such program.
using ShellOpener = std::function<std::intptr_t(const std::string& file, const std::string& parameters)>;

// On Windows the telnet client is "telnet.exe ADDRESS PORT" as the shell
// finds it, or else %WINDIR%\Sysnative\telnet.exe (where a 32-bit program
// reaches the 64-bit system folder); web addresses go to the default browser.
// The opener is called inside a single-threaded COM apartment, whatever
// thread the launcher is called on.
class WindowsLauncher : public Launcher {
public:
    WindowsLauncher();  // ShellExecuteW and the process environment
    WindowsLauncher(ShellOpener opener,
                    std::function<std::optional<std::string>(const char*)> environment);

    StartResult startTelnet(const std::string& address, int port) override;
    void openUrl(const std::string& url) override;

private:
    ShellOpener open_;
    std::function<std::optional<std::string>(const char*)> environment_;
};

std::intptr_t ShellOpen(const std::string& file, const std::string& parameters);

}  // namespace quelvar::platform
