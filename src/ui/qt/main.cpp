// QUELVARinit: the window for commissioning QUELVAR serial-to-Ethernet modules.
#include <QApplication>

#include "app/init_app.h"
#include "platform/language.h"
#include "platform/launcher_posix.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "ui/qt/qt_front_end.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    namespace platform = quelvar::platform;
    const std::filesystem::path executable = platform::executablePath();
    const platform::Language language = platform::userInterfaceLanguage();
    platform::PosixLauncher launcher;

    quelvar::ui::qt::QtFrontEnd frontEnd(
        language, quelvar::ui::qt::ApplicationNameFor(executable), launcher, executable);
    quelvar::app::CInitApp app(&platform::initializeSocketLibrary);
    return app.InitInstance(frontEnd, language);
}
