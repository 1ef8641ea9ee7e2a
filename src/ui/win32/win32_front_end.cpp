#include "ui/win32/win32_front_end.h"

#include "ui/win32/dialogs.h"
#include "ui/win32/main_window.h"
#include "ui/win32/site_window.h"

namespace quelvar::ui::win32 {

std::wstring ApplicationNameFor(const std::filesystem::path& executablePath) {
    std::wstring stem = executablePath.stem().wstring();
    return stem.empty() ? std::wstring(L"QUELVARinit") : stem;
}

StartWindow StartWindowFor(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (argument == L"--site") return StartWindow::Site;
    }
    return StartWindow::Main;
}

Win32FrontEnd::Win32FrontEnd(HINSTANCE instance, platform::Language language,
                             platform::Launcher& launcher, std::filesystem::path executablePath,
                             StartWindow window)
    : instance_(instance),
      language_(language),
      launcher_(launcher),
      executablePath_(std::move(executablePath)),
      applicationName_(ApplicationNameFor(executablePath_)),
      window_(window) {}

void Win32FrontEnd::showStartupWarning(const std::string& text) {
    showMessageBox(nullptr, applicationName_, app::MessageKind::Warning, text);
}

int Win32FrontEnd::runMainWindow() {
    if (window_ == StartWindow::Site) return runSiteWindow();
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

int Win32FrontEnd::runSiteWindow() {
    SiteWindow window(language_, applicationName_, launcher_);
    if (!window.create(instance_)) {
        const std::wstring text = L"The Site window cannot be created (error " +
                                  std::to_wstring(::GetLastError()) + L").";
        ::MessageBoxW(nullptr, text.c_str(), applicationName_.c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
    return window.run();
}

}  // namespace quelvar::ui::win32
