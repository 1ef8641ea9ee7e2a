#include "ui/qt/qt_front_end.h"

#include <QApplication>
#include <QFileInfo>

#include "ui/qt/dialogs.h"
#include "ui/qt/main_dialog.h"
#include "ui/qt/site_dialog.h"

// The icon's resource lives in a static library, where nothing else would
// keep it linked in; Q_INIT_RESOURCE must be called outside any namespace.
static void RegisterApplicationIconResource() {
    Q_INIT_RESOURCE(application_icon);
}

namespace quelvar::ui::qt {

QString ApplicationNameFor(const std::filesystem::path& executablePath) {
    const std::string stem = executablePath.stem().string();
    if (stem.empty()) return QCoreApplication::applicationName();  // argv[0]'s base name
    return QString::fromStdString(stem);
}

QIcon ApplicationIcon() {
    RegisterApplicationIconResource();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/quelvarinit.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

QtFrontEnd::QtFrontEnd(platform::Language language, QString applicationName,
                       platform::Launcher& launcher, std::filesystem::path executablePath,
                       Dialogs& dialogs)
    : language_(language),
      applicationName_(std::move(applicationName)),
      launcher_(launcher),
      executablePath_(std::move(executablePath)),
      dialogs_(dialogs) {}

void QtFrontEnd::showStartupWarning(const std::string& text) {
    dialogs_.message(nullptr, applicationName_, app::MessageKind::Warning, text);
}

StartWindow StartWindowFor(const QStringList& arguments) {
    return arguments.mid(1).contains(QStringLiteral("--site")) ? StartWindow::Site
                                                               : StartWindow::Main;
}

namespace {

// The window ends the program when it is closed (Esc or the close box),
// even while the separate activity log window is still open.
template <typename Dialog>
int RunUntilClosed(Dialog& dialog) {
    dialog.initialize();
    QObject::connect(&dialog.window(), &QDialog::finished, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    dialog.window().show();
    QApplication::exec();
    return 0;
}

}  // namespace

int QtFrontEnd::runMainWindow() {
    if (startWindow_ == StartWindow::Site) {
        SiteDialog dialog(language_, launcher_, dialogs_);
        return RunUntilClosed(dialog);
    }
    MainDialog dialog(language_, applicationName_, launcher_, executablePath_, dialogs_);
    return RunUntilClosed(dialog);
}

}  // namespace quelvar::ui::qt
