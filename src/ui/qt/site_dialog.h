#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/operation_runner.h"
#include "app/site_dlg.h"
#include "app/site_words.h"
#include "platform/language.h"
#include "platform/launcher.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/qt_site_view.h"
#include "ui/qt/site_window.h"

namespace quelvar::ui::qt {

// The Site window with its presenter: routes what the user does to SiteDlg.
//
// Browse, Check, Start and a change of task run on the worker thread, one at
// a time: while one runs, another click of them is dropped (the presenter
// disables them soon after) and a change of task waits for its end. Stop,
// the two Open buttons, the table's selection and closing go to the
// presenter at once on the GUI thread, so a run can be stopped, and an
// audit's lines looked at, while it goes. A close the presenter allows
// while a check still runs happens when it ends; a close during a run is the
// presenter's question, and the window closes once the run has ended.
class SiteDialog : public QObject {
    Q_OBJECT

  public:
    SiteDialog(platform::Language language, platform::Launcher& launcher,
               Dialogs& dialogs = DesktopDialogs());
    ~SiteDialog() override;

    // The presenter's initialisation, on the GUI thread.
    void initialize();

    SiteWindow& window() { return *window_; }
    QtSiteView& view() { return *view_; }
    app::SiteDlg& presenter() { return dlg_; }
    bool isHandlerRunning() const { return handlerRunning_; }

  signals:
    // A handler run on the worker thread: Browse, BrowseReport,
    // BrowseResume, Check or Start; TaskGroup for a change of task.
    void handlerStarted(app::SiteWord handler);
    void handlerFinished(app::SiteWord handler);

  private:
    void onClicked(app::SiteWord button);
    void onTaskChanged();
    void runOnWorker(app::SiteWord handler, std::function<void()> work);
    void onHandlerDone(app::SiteWord handler);
    bool mayClose();

    std::unique_ptr<SiteWindow> window_;
    std::unique_ptr<QtSiteView> view_;
    app::SiteDlg dlg_;
    std::atomic<int> pending_{0};  // handlers posted and not yet returned
    bool handlerRunning_ = false;  // until the GUI thread has heard of the end
    bool taskChangeWaiting_ = false;
    // Leaving the source field checks it; the click that moved the focus
    // away (Start, say) waits for that check instead of being lost.
    bool sourceCheckRunning_ = false;
    std::optional<std::pair<app::SiteWord, std::function<void()>>> afterSourceCheck_;
    bool closeWhenIdle_ = false;
    app::OperationRunner runner_;  // last: its thread stops before the rest goes
};

}  // namespace quelvar::ui::qt
