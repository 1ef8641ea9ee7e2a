#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>
#include <memory>

#include "app/init_dlg.h"
#include "platform/language.h"
#include "platform/launcher.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/main_window.h"
#include "app/operation_runner.h"
#include "ui/qt/qt_view.h"

namespace quelvar::ui::qt {

// The main window with its presenter: routes what the user does to CInitDlg.
//
// A button click runs its whole operation on the worker thread; meanwhile the
// window is busy (keeps painting, takes no input, busy cursor), so operations
// never overlap and a close request is ignored. A selection change or focus
// gain of the two lists is cheap and goes to CInitDlg directly on the GUI
// thread, and only when no operation runs.
class MainDialog : public QObject {
    Q_OBJECT

  public:
    MainDialog(platform::Language language, const QString& applicationName,
               platform::Launcher& launcher, std::filesystem::path executablePath,
               Dialogs& dialogs = DesktopDialogs());
    ~MainDialog() override;

    // The window initialisation of CInitDlg, on the GUI thread; an installed
    // program then moves the record folder where the user can save.
    void initialize();

    MainWindow& window() { return *window_; }
    app::CInitDlg& dialog() { return dlg_; }
    QtView& view() { return *view_; }
    bool isOperationRunning() const { return window_->isBusy(); }

  signals:
    void operationStarted(app::ControlId id);
    void operationFinished(app::ControlId id);

  private:
    void onClicked(app::ControlId id);
    void onListNotified(app::ControlId id, app::Notification notification);
    void onOperationDone(app::ControlId id);

    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QtView> view_;
    std::filesystem::path programFolder_;
    app::CInitDlg dlg_;
    std::atomic<int> pending_{0};  // operations posted and not yet ended
    app::OperationRunner runner_;       // last: its thread stops before the rest goes
};

}  // namespace quelvar::ui::qt
