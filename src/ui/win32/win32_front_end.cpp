#include "ui/win32/win32_front_end.h"

#include "ui/win32/dialogs.h"
#include "ui/win32/main_window.h"

namespace quelvar::ui::win32 {

std::wstring ApplicationNameFor(const std::filesystem::path& executablePath) {
    std::wstring stem = executablePath.stem().wstring();
    return stem.empty() ? std::wstring(L"QUELVARinit") : stem;
}

Win32FrontEnd::Win32FrontEnd(HINSTANCE instance, platform::Language language,
                             platform::Launcher& launcher, std::filesystem::path executablePath)
    : instance_(instance),
      language_(language),
      launcher_(launcher),
      executablePath_(std::move(executablePath)),
      applicationName_(ApplicationNameFor(executablePath_)) {}

void Win32FrontEnd::showStartupWarning(const std::string& text) {
    showMessageBox(nullptr, applicationName_, app::MessageKind::Warning, text);
}

int Win32FrontEnd::runMainWindow() {
    MainWindow window(language_, applicationName_, launcher_, executablePath_);
    if (!window.create(instance_)) {
        // Only a damaged program file gets here: its resources are missing.
        const std::wstring text = L"The main window cannot be created (error " +
                                  std::to_wstring(::GetLastError()) + L").";
        ::MessageBoxW(nullptr, text.c_str(), applicationName_.c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
    return window.run();
}

}  // namespace quelvar::ui::win32
