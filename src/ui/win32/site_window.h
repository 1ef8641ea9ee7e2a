#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "app/operation_runner.h"
#include "app/site_dlg.h"
#include "app/site_words.h"
#include "platform/language.h"
#include "platform/launcher.h"
#include "ui/win32/site_layout.h"
#include "ui/win32/site_table.h"
#include "ui/win32/site_window_ids.h"
#include "ui/win32/win32_site_view.h"

namespace quelvar::ui::win32 {

// Private messages of the Site window.
inline constexpr UINT kSiteInvokeMessage = WM_APP + 1;    // lParam: std::function<void()>*
inline constexpr UINT kSiteHandlerDoneMessage = WM_APP + 2;  // the worker has finished one

// The Site window: commissioning, backing up, restoring and auditing many
// modules at once, with its presenter app::SiteDlg. Built in code from the captions of
// app::SiteText, in their order, which is the tab order; the dialog manager's
// keyboard handling (Tab, arrows in the task group, Alt with the underlined
// letters, Esc) comes from IsDialogMessage in the message loop.
//
// The presenter's long handlers (check, start, the choosers, a change of
// task) run on the worker thread, one at a time; Stop, Close, the two Open
// buttons and a change of the table's selected line go to it at once on
// this thread. Unlike the main window, the
// window stays enabled during a run, so Stop can be pressed: the presenter
// itself disables what must not be used meanwhile. Esc, Close and the close
// box ask the presenter; during a run the window closes once the run has
// ended, if the presenter says so then.
//
// Laid out in pixels measured from its font at the DPI of its monitor, and
// again with a font made for the new DPI when it moves to another monitor.
class SiteWindow {
  public:
    SiteWindow(platform::Language language, std::wstring applicationName,
               platform::Launcher& launcher);
    ~SiteWindow();
    SiteWindow(const SiteWindow&) = delete;
    SiteWindow& operator=(const SiteWindow&) = delete;

    // Makes and shows the window; false when Windows refuses.
    bool create(HINSTANCE instance, int show = SW_SHOWNORMAL);
    // The message loop; returns when the window has ended.
    int run();

    HWND handle() const { return window_.load(); }
    DWORD threadId() const { return threadId_; }
    platform::Language language() const { return language_; }
    const std::wstring& applicationName() const { return applicationName_; }
    UINT dpi() const { return metrics_.dpi; }
    HFONT font() const { return font_; }
    // Whether a handler is queued or running on the worker thread.
    bool handlerRunning() const { return workerBusy_.load() > 0; }

    // What the view does, on the window's thread.
    app::SiteForm form() const;
    void setForm(const app::SiteForm& form);
    SiteTable& table() { return table_; }
    void setStatus(const std::string& text);
    void showNotes(const std::string& text);
    void showAudit(const std::string& text);
    void enable(app::SiteControl control, bool enabled);

    // The layout the controls were last placed at (for the tests).
    SiteLayout currentLayout() const;

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool createControls(HINSTANCE instance);
    HWND addControl(SiteId id, const wchar_t* className, const std::wstring& caption,
                    DWORD style, DWORD exStyle = 0);
    HWND item(SiteId id) const { return ::GetDlgItem(window_.load(), static_cast<int>(id)); }
    std::wstring word(app::SiteWord caption) const;

    // The font for `dpi`, given to every control, and the captions measured in it.
    void applyDpi(UINT dpi);
    void layOut();
    void onDpiChanged(UINT dpi, const RECT& suggested);
    void onMinMaxInfo(MINMAXINFO& info) const;
    void onActivate(bool active);

    void onCommand(SiteId id, int code);
    void onTaskClicked();
    void runOnWorker(std::function<void()> handler);
    void runOnWorkerIfIdle(std::function<void()> handler);
    void onHandlerDone();
    void onCloseAsked();

    app::SiteTask chosenTask() const;
    // The captions and the hint that follow the task, and the audit's pane
    // shown or hidden with the window laid out again.
    void showTask(app::SiteTask task);
    void showAuditPane(bool shown);
    int jobsFromText() const;
    void showJobs(int jobs);
    void onJobsSpun();
    void onJobsEdited();

    platform::Language language_;
    std::wstring applicationName_;
    std::atomic<HWND> window_{nullptr};
    DWORD threadId_ = 0;
    HFONT font_ = nullptr;
    SiteMetrics metrics_;
    HWND focus_ = nullptr;  // the control to give the focus back to on activation
    app::SiteTask task_ = app::SiteTask::Commission;
    int jobs_ = 8;                // the last valid number in the jobs field
    bool settingJobs_ = false;    // the field is being written, not typed into
    std::atomic<int> workerBusy_{0};  // handlers posted to the worker and not yet done
    // Of those, checks of a source field that was left: the click that moved
    // the focus away (Start, say) queues behind one instead of being lost.
    std::atomic<int> sourceChecks_{0};
    SiteTable table_;
    Win32SiteView view_;
    app::SiteDlg dlg_;
    app::OperationRunner runner_;  // last: its thread stops before the rest goes
};

}  // namespace quelvar::ui::win32
