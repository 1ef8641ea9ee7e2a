#include "ui/qt/main_dialog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include "ui/qt/log_window.h"
#include "ui/qt/record_folder.h"

namespace quelvar::ui::qt {

using app::ControlId;

MainDialog::MainDialog(platform::Language language, const QString& applicationName,
                       platform::Launcher& launcher, std::filesystem::path executablePath,
                       Dialogs& dialogs)
    : window_(std::make_unique<MainWindow>(language, applicationName)),
      view_(std::make_unique<QtView>(*window_, applicationName, dialogs)),
      programFolder_(executablePath.parent_path()),
      dlg_(*view_, launcher, language, std::move(executablePath)) {
    connect(window_.get(), &MainWindow::clicked, this, &MainDialog::onClicked);
    connect(window_.get(), &MainWindow::listNotified, this, &MainDialog::onListNotified);
}

MainDialog::~MainDialog() {
    // Normally nothing runs here: the window does not close during an
    // operation. Should the program end anyway, the operation is cut off from
    // the window and allowed to finish; its last call to the window may still
    // be waiting for this thread, so events are served while waiting.
    view_->detach();
    QDeadlineTimer deadline(120'000);
    while (pending_ > 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

void MainDialog::initialize() {
    dlg_.OnInitDialog();
    // An installed program starts where the user can save (see record_folder.h).
    if (std::optional<std::string> folder = InstalledProgramRecordFolder(programFolder_)) {
        dlg_.setRecordFolder(*folder);
        dlg_.RefreshFileList(*folder);
    }
}

void MainDialog::onClicked(ControlId id) {
    if (window_->isBusy()) return;
    ++pending_;
    window_->setBusy(true);
    emit operationStarted(id);
    runner_.post([this, id] {
        dlg_.OnNotify(id, app::Notification::Clicked);
        // Every call the operation made to the window has completed by now,
        // so the window learns of the end after everything the user sees.
        QMetaObject::invokeMethod(
            this, [this, id] { onOperationDone(id); }, Qt::QueuedConnection);
        --pending_;
    });
}

void MainDialog::onOperationDone(ControlId id) {
    window_->setBusy(false);
    emit operationFinished(id);
}

void MainDialog::onListNotified(ControlId id, app::Notification notification) {
    if (window_->isBusy()) return;
    dlg_.OnNotify(id, notification);
}

}  // namespace quelvar::ui::qt
