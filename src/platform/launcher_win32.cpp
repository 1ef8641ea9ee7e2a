#include "platform/launcher_win32.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/utf8.h"

namespace quelvar::platform {

namespace {

constexpr std::intptr_t kFileNotFound = ERROR_FILE_NOT_FOUND;  // 2, as ShellExecute reports it

std::optional<std::string> environmentVariable(const char* name) {
    std::wstring wideName = wideFromUtf8(name);
    DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (length == 0 || length >= size) return std::nullopt;
    value.resize(length);
    return utf8FromWide(value);
}

StartResult resultOf(std::intptr_t shellResult) {
    if (shellResult == kFileNotFound) return StartResult::NotFound;
    return shellResult > 32 ? StartResult::Started : StartResult::OtherFailure;
}

}  // namespace

std::intptr_t ShellOpen(const std::string& file, const std::string& parameters) {
    std::wstring wideFile = wideFromUtf8(file);
    std::wstring wideParameters = wideFromUtf8(parameters);
    HINSTANCE result = ::ShellExecuteW(nullptr, L"open", wideFile.c_str(),
                                       parameters.empty() ? nullptr : wideParameters.c_str(),
                                       nullptr, SW_SHOW);
    return reinterpret_cast<std::intptr_t>(result);
}

WindowsLauncher::WindowsLauncher() : WindowsLauncher(ShellOpen, environmentVariable) {}

WindowsLauncher::WindowsLauncher(ShellOpener opener,
                                 std::function<std::optional<std::string>(const char*)> environment)
    : open_(std::move(opener)), environment_(std::move(environment)) {}

StartResult WindowsLauncher::startTelnet(const std::string& address, int port) {
    const std::string arguments = address + " " + std::to_string(port);
    std::intptr_t result = open_("telnet.exe", arguments);
    if (result != kFileNotFound) return resultOf(result);
    // Only "not found" by name leads to the second place; without WINDIR
    // that place is looked up relative to the current drive's root.
    const std::string fallback = environment_("WINDIR").value_or("") + "\\Sysnative\\telnet.exe";
    return resultOf(open_(fallback, arguments));
}

void WindowsLauncher::openUrl(const std::string& url) { open_(url, ""); }

std::unique_ptr<Launcher> makeDesktopLauncher() { return std::make_unique<WindowsLauncher>(); }

}  // namespace quelvar::platform
