#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
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

// Which window the program opens: the main dialog, or the Site window
// (QUELVARinit --site) for many modules at once.
enum class StartWindow { Main, Site };

// The program's window for these arguments (Qt's own already taken out).
StartWindow StartWindowFor(const QStringList& arguments);

// The Qt side of the application object: a warning box when the program
// cannot start, otherwise the chosen window until the user closes it.
class QtFrontEnd : public app::FrontEnd {
  public:
    QtFrontEnd(platform::Language language, QString applicationName, platform::Launcher& launcher,
               std::filesystem::path executablePath, Dialogs& dialogs = DesktopDialogs());

    void setStartWindow(StartWindow window) { startWindow_ = window; }

    void showStartupWarning(const std::string& text) override;
    int runMainWindow() override;

  private:
    StartWindow startWindow_ = StartWindow::Main;
    platform::Language language_;
    QString applicationName_;
    platform::Launcher& launcher_;
    std::filesystem::path executablePath_;
    Dialogs& dialogs_;
};

}  // namespace quelvar::ui::qt
