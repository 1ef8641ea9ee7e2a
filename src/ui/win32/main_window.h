#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/init_dlg.h"
#include "platform/language.h"
#include "platform/launcher.h"
#include "ui/win32/log_window.h"
#include "app/operation_runner.h"
#include "ui/win32/win32_view.h"

namespace quelvar::ui::win32 {

// Private messages of the main window.
inline constexpr UINT kInvokeMessage = WM_APP + 1;         // lParam: std::function<void()>*
inline constexpr UINT kOperationDoneMessage = WM_APP + 2;  // the worker has finished

// The tool's one main window: dialog template 102 in the user interface's
// language, with its presenter CInitDlg.
//
// A button click runs its whole operation on the worker thread. Meanwhile the
// dialog is disabled: it keeps painting (progress bar, message boxes), takes
// no input and cannot be closed, so operations never overlap. The boxes and
// dialogs the operation opens go through showModal, which hands them an
// enabled owner. A selection
// change or focus gain of the two lists is cheap and goes to CInitDlg on the
// window's thread. Enter does nothing (no default button); Esc and the close
// box end the program. Ctrl+Shift+L opens the activity log in a window of its
// own, which mirrors the hidden log control as it changes.
class MainWindow {
  public:
    MainWindow(platform::Language language, std::wstring applicationName,
               platform::Launcher& launcher, std::filesystem::path executablePath);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window from the resources of the program; false when the
    // template cannot be loaded or the dialog cannot be created.
    bool create(HINSTANCE instance);
    // The message loop; returns when the window has ended.
    int run();

    HWND handle() const { return dialog_; }
    DWORD threadId() const { return threadId_; }
    const std::wstring& applicationName() const { return applicationName_; }
    LogWindow& logWindow() { return logWindow_; }
    bool isBusy() const { return busy_; }

    // Runs `show`, which opens a modal box or dialog owned by this window, on
    // the window's thread, and returns what it returns. Windows gives the
    // activation back to the owner when a box closes only if the box itself
    // disabled it on opening; an owner that was disabled already stays so,
    // and another program becomes active. So the window, disabled for the
    // operation, is enabled for the box to take over, and disabled again
    // once the box has given the activation back. No input is taken in
    // between: nothing reads messages until the box has disabled its owner.
    template <typename Show>
    auto showModal(Show&& show) {
        const bool heldForOperation = busy_ && dialog_ != nullptr && !::IsWindowEnabled(dialog_);
        if (heldForOperation) ::EnableWindow(dialog_, TRUE);
        auto result = show();
        if (heldForOperation && dialog_ != nullptr) ::EnableWindow(dialog_, FALSE);
        return result;
    }

  private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog();
    // Moved to a monitor of another scale: false when Windows lays the
    // dialog out itself.
    bool onDpiChanged(UINT dpi, const RECT& suggested);
    void onCommand(int id, int code);
    void startOperation(app::ControlId id);
    void endOperation();
    bool isLogShortcut(const MSG& message) const;

    platform::Language language_;
    std::wstring applicationName_;
    HWND dialog_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HFONT dpiFont_ = nullptr;  // the template's font remade at a later DPI; none before
    DWORD threadId_ = 0;
    bool busy_ = false;
    HWND focusBeforeOperation_ = nullptr;
    LogWindow logWindow_;
    Win32View view_;
    app::CInitDlg dlg_;
    app::OperationRunner runner_;  // last: its thread stops before the rest goes
};

// The Windows language identifier of the resources for a language.
LANGID ResourceLanguage(platform::Language language);

}  // namespace quelvar::ui::win32
