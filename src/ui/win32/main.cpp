// QUELVARinit: the window for commissioning QUELVAR serial-to-Ethernet modules.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/init_app.h"
#include "platform/language.h"
#include "platform/launcher_win32.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "ui/win32/win32_front_end.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    namespace platform = quelvar::platform;

    // The IP address control and the progress bar live in the common controls.
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    // The shell's folder browser needs COM on the window's thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    const platform::Language language = platform::userInterfaceLanguage();
    platform::WindowsLauncher launcher;
    quelvar::ui::win32::Win32FrontEnd frontEnd(instance, language, launcher,
                                               platform::executablePath());
    quelvar::app::CInitApp app(&platform::initializeSocketLibrary);
    const int status = app.InitInstance(frontEnd, language);

    if (SUCCEEDED(com)) ::CoUninitialize();
    return status;
}
