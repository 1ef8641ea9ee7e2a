#include "platform/launcher_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include "platform/utf8.h"

namespace quelvar::platform {

namespace {

// As ShellExecute reports them.
constexpr std::intptr_t kFileNotFound = ERROR_FILE_NOT_FOUND;  // 2
constexpr std::intptr_t kPathNotFound = ERROR_PATH_NOT_FOUND;  // 3

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

// The shell may hand a program or an address to a handler that is a COM
// object, so the thread that calls ShellExecute needs a COM apartment, a
// single-threaded one as the shell expects. The operations call the launcher
// on a worker thread that has none of its own: this one lasts for the call.
// A thread that already has an apartment keeps it as it is.
class ShellApartment {
  public:
    ShellApartment()
        : initialised_(SUCCEEDED(
              ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ShellApartment() {
        if (initialised_) ::CoUninitialize();
    }
    ShellApartment(const ShellApartment&) = delete;
    ShellApartment& operator=(const ShellApartment&) = delete;

  private:
    bool initialised_;  // S_OK or S_FALSE: each is balanced by one CoUninitialize
};

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
    const ShellApartment apartment;
    const std::string arguments = address + " " + std::to_string(port);
    std::intptr_t result = open_("telnet.exe", arguments);
    if (result != kFileNotFound) return resultOf(result);
    // Only "not found" by name leads to the second place; without WINDIR
    // that place is looked up relative to the current drive's root.
    const std::string fallback = environment_("WINDIR").value_or("") + "\\Sysnative\\telnet.exe";
    result = open_(fallback, arguments);
    // Sysnative exists only for 32-bit programs: a 64-bit one is told that
    // the path is not there, which means no telnet client there either.
    if (result == kPathNotFound) return StartResult::NotFound;
    return resultOf(result);
}

void WindowsLauncher::openUrl(const std::string& url) {
    const ShellApartment apartment;
    open_(url, "");
}

std::unique_ptr<Launcher> makeDesktopLauncher() { return std::make_unique<WindowsLauncher>(); }

}  // namespace quelvar::platform
