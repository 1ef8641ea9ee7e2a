// QUELVARinit: the window for commissioning QUELVAR serial-to-Ethernet modules.
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/init_app.h"
#include "platform/language.h"
#include "platform/launcher_posix.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "ui/qt/qt_front_end.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The icon of every window and box; the desktop entry of an installed
    // program has the same name, so a desktop can tie the window to it.
    QApplication::setWindowIcon(quelvar::ui::qt::ApplicationIcon());
    // --site opens the Site window, which has a desktop entry of its own.
    const quelvar::ui::qt::StartWindow window =
        quelvar::ui::qt::StartWindowFor(QApplication::arguments());
    QGuiApplication::setDesktopFileName(window == quelvar::ui::qt::StartWindow::Site
                                            ? QStringLiteral("quelvarinit-site")
                                            : QStringLiteral("quelvarinit"));

    namespace platform = quelvar::platform;
    const std::filesystem::path executable = platform::executablePath();
    const platform::Language language = platform::userInterfaceLanguage();
    platform::PosixLauncher launcher;

    // The toolkit's own words (dialog buttons, the file dialogs) follow the
    // window's language; without the translation they stay English.
    QTranslator toolkitTexts;
    if (language == platform::Language::Japanese &&
        toolkitTexts.load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&toolkitTexts);
    }

    quelvar::ui::qt::QtFrontEnd frontEnd(language, quelvar::ui::qt::ApplicationNameFor(executable),
                                         launcher, executable);
    frontEnd.setStartWindow(window);
    quelvar::app::CInitApp app(&platform::initializeSocketLibrary);
    return app.InitInstance(frontEnd, language);
}
