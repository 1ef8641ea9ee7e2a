#include "ui/qt/site_dialog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace quelvar::ui::qt {

using app::SiteWord;

namespace {

// The longest a closing window waits for a handler cut off from it: a row
// under way ends after its current step.
constexpr int kShutdownWaitMs = 120'000;

}  // namespace

SiteDialog::SiteDialog(platform::Language language, platform::Launcher& launcher,
                       Dialogs& dialogs)
    : window_(std::make_unique<SiteWindow>(language)),
      view_(std::make_unique<QtSiteView>(
          *window_, QString::fromUtf8(app::SiteText(SiteWord::Title, language)), dialogs)),
      dlg_(*view_, launcher, language) {
    connect(window_.get(), &SiteWindow::clicked, this, &SiteDialog::onClicked);
    connect(window_.get(), &SiteWindow::taskChanged, this, &SiteDialog::onTaskChanged);
    connect(window_.get(), &SiteWindow::sourceEdited, this, [this] {
        if (handlerRunning_) return;
        runOnWorker(SiteWord::Browse, [this] { dlg_.OnSourceEdited(); });
        sourceCheckRunning_ = true;
    });
    // Only the pane's text changes: it needs neither the worker nor to wait
    // for a handler under way.
    connect(window_.get(), &SiteWindow::lineSelected, this,
            [this](std::optional<std::size_t> line) { dlg_.OnLineSelected(line); });
    window_->setCloseGuard([this] { return mayClose(); });
}

SiteDialog::~SiteDialog() {
    // Normally nothing runs here: the window closes after a run. Should the
    // program end anyway, the handler is cut off from the window and ends
    // on its own; its last call may still wait for this thread, so events
    // are served while waiting.
    view_->detach();
    QDeadlineTimer deadline(kShutdownWaitMs);
    while (pending_ > 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

void SiteDialog::initialize() { dlg_.OnInitDialog(); }

void SiteDialog::onClicked(SiteWord button) {
    switch (button) {
        case SiteWord::Stop: dlg_.OnStop(); return;
        case SiteWord::OpenPage: dlg_.OnOpenPage(); return;
        case SiteWord::OpenSheet: dlg_.OnOpenSheet(); return;
        case SiteWord::Browse: runOnWorker(button, [this] { dlg_.OnBrowse(); }); return;
        case SiteWord::BrowseReport:
            runOnWorker(button, [this] { dlg_.OnBrowseReport(); });
            return;
        case SiteWord::BrowseResume:
            runOnWorker(button, [this] { dlg_.OnBrowseResume(); });
            return;
        case SiteWord::Check: runOnWorker(button, [this] { dlg_.OnCheck(); }); return;
        case SiteWord::Start: runOnWorker(button, [this] { dlg_.OnStart(); }); return;
        default: return;
    }
}

void SiteDialog::onTaskChanged() {
    // The radio has changed already: the presenter must hear of it, after
    // the handler under way if there is one.
    if (handlerRunning_) {
        taskChangeWaiting_ = true;
        return;
    }
    runOnWorker(SiteWord::TaskGroup, [this] { dlg_.OnTaskChanged(); });
}

void SiteDialog::runOnWorker(SiteWord handler, std::function<void()> work) {
    if (handlerRunning_) {  // one handler at a time
        if (sourceCheckRunning_ && !afterSourceCheck_) afterSourceCheck_.emplace(handler, std::move(work));
        return;
    }
    handlerRunning_ = true;
    ++pending_;
    emit handlerStarted(handler);
    runner_.post([this, handler, work = std::move(work)] {
        work();
        // Every call the handler made to the window has completed by now,
        // so the window learns of the end after everything the user sees.
        QMetaObject::invokeMethod(
            this, [this, handler] { onHandlerDone(handler); }, Qt::QueuedConnection);
        --pending_;
    });
}

void SiteDialog::onHandlerDone(SiteWord handler) {
    handlerRunning_ = false;
    sourceCheckRunning_ = false;
    emit handlerFinished(handler);
    if (dlg_.closeWhenDone() || closeWhenIdle_) {
        window_->closeWithoutAsking();
        return;
    }
    if (taskChangeWaiting_) {
        taskChangeWaiting_ = false;
        onTaskChanged();
        return;
    }
    if (afterSourceCheck_) {
        auto [waiting, work] = std::move(*afterSourceCheck_);
        afterSourceCheck_.reset();
        runOnWorker(waiting, std::move(work));
    }
}

bool SiteDialog::mayClose() {
    // During a run the presenter asks, and says no; closeWhenDone() then
    // tells whether the user wants the window closed once the run ends.
    if (!dlg_.OnClose()) return false;
    if (handlerRunning_) {
        closeWhenIdle_ = true;  // a check or chooser ends first
        return false;
    }
    return true;
}

}  // namespace quelvar::ui::qt
