#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "app/init_app.h"
#include "platform/language.h"
#include "platform/launcher.h"

namespace quelvar::ui::win32 {

// The application name every box carries: the executable's base name.
std::wstring ApplicationNameFor(const std::filesystem::path& executablePath);

// The Win32 side of the application object: a warning box when the program
// cannot start, otherwise the main window until the user closes it.
class Win32FrontEnd : public app::FrontEnd {
  public:
    Win32FrontEnd(HINSTANCE instance, platform::Language language, platform::Launcher& launcher,
                  std::filesystem::path executablePath);

    void showStartupWarning(const std::string& text) override;
    int runMainWindow() override;

  private:
    HINSTANCE instance_;
    platform::Language language_;
    platform::Launcher& launcher_;
    std::filesystem::path executablePath_;
    std::wstring applicationName_;
};

}  // namespace quelvar::ui::win32
