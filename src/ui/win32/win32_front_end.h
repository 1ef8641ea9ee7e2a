#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/init_app.h"
#include "platform/language.h"
#include "platform/launcher.h"

namespace quelvar::ui::win32 {

// The application name every box carries: the executable's base name.
std::wstring ApplicationNameFor(const std::filesystem::path& executablePath);

// Which window the program opens: the main window, or with --site on the
// command line the Site window for many modules at once.
enum class StartWindow { Main, Site };

// The window the command line asks for (the arguments after the program's
// own name); anything it does not know is left alone, as before.
StartWindow StartWindowFor(const std::vector<std::wstring>& arguments);

// The Win32 side of the application object: a warning box when the program
// cannot start, otherwise the chosen window until the user closes it.
class Win32FrontEnd : public app::FrontEnd {
  public:
    Win32FrontEnd(HINSTANCE instance, platform::Language language, platform::Launcher& launcher,
                  std::filesystem::path executablePath, StartWindow window = StartWindow::Main);

    void showStartupWarning(const std::string& text) override;
    int runMainWindow() override;

  private:
    int runSiteWindow();

    HINSTANCE instance_;
    platform::Language language_;
    platform::Launcher& launcher_;
    std::filesystem::path executablePath_;
    std::wstring applicationName_;
    StartWindow window_;
};

}  // namespace quelvar::ui::win32
