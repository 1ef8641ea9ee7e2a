#pragma once

#include <windows.h>

#include <string>

namespace quelvar::ui::win32 {

// A separate, resizable window that shows the activity log while the log
// control of the main window stays hidden. It has no owner, so it stays
// usable (scrolling, copying) while the main window is busy or shows a box.
class LogWindow {
  public:
    LogWindow() = default;
    ~LogWindow();
    LogWindow(const LogWindow&) = delete;
    LogWindow& operator=(const LogWindow&) = delete;

    // Made on first show, with the main window's font.
    void show(HINSTANCE instance, const std::wstring& applicationName, HFONT font);
    // The log as it stands; a log emptied for a new operation takes the
    // diagnostics of the last one with it.
    void setText(const std::wstring& text);
    // Lines shown below the log, without entering it: what the log's own
    // texts do not say (why a search found nothing, where a module came back).
    void appendDiagnostics(const std::wstring& lines);
    void scrollToEnd();
    HWND handle() const { return window_; }

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND edit_ = nullptr;
    void render();

    std::wstring text_;  // kept while the window is not made yet
    std::wstring diagnostics_;
};

}  // namespace quelvar::ui::win32
