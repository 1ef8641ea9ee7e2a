// QUELVARinit: the window for commissioning QUELVAR serial-to-Ethernet modules.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/init_app.h"
#include "platform/language.h"
#include "platform/launcher_win32.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "ui/win32/win32_front_end.h"

namespace {

// The arguments after the program's name, split as Windows programs split them.
std::vector<std::wstring> commandLineArguments() {
    int count = 0;
    LPWSTR* split = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (split == nullptr) return {};
    std::vector<std::wstring> arguments(split + std::min(count, 1), split + count);
    ::LocalFree(split);
    return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    namespace platform = quelvar::platform;
    namespace win32 = quelvar::ui::win32;

    // The IP address control and the progress bar live in the common
    // controls, and so do the Site window's table and up-down.
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS |
                                      ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);
    // The shell's folder browser needs COM on the window's thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    const platform::Language language = platform::userInterfaceLanguage();
    platform::WindowsLauncher launcher;
    win32::Win32FrontEnd frontEnd(instance, language, launcher, platform::executablePath(),
                                  win32::StartWindowFor(commandLineArguments()));
    quelvar::app::CInitApp app(&platform::initializeSocketLibrary);
    const int status = app.InitInstance(frontEnd, language);

    if (SUCCEEDED(com)) ::CoUninitialize();
    return status;
}
