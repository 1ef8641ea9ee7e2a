#pragma once

#include <QIcon>
#include <QString>
#include <filesystem>

#include "app/init_app.h"
#include "platform/language.h"
#include "platform/launcher.h"
#include "ui/qt/dialogs.h"

namespace quelvar::ui::qt {

// The application name every box carries: the executable's base name.
QString ApplicationNameFor(const std::filesystem::path& executablePath);

// The application icon (data/icons) in each of its sizes, 16 to 256 pixels.
QIcon ApplicationIcon();

// The Qt side of the application object: a warning box when the program
// cannot start, otherwise the main window until the user closes it.
class QtFrontEnd : public app::FrontEnd {
  public:
    QtFrontEnd(platform::Language language, QString applicationName, platform::Launcher& launcher,
               std::filesystem::path executablePath, Dialogs& dialogs = DesktopDialogs());

    void showStartupWarning(const std::string& text) override;
    int runMainWindow() override;

  private:
    platform::Language language_;
    QString applicationName_;
    platform::Launcher& launcher_;
    std::filesystem::path executablePath_;
    Dialogs& dialogs_;
};

}  // namespace quelvar::ui::qt
