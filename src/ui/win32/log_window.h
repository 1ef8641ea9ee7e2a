#pragma once

#include <windows.h>

#include <string>

#include "platform/language.h"

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

    // Made on first show, in the main window's font and at its DPI, titled
    // in its language.
    void show(HINSTANCE instance, platform::Language language, const std::wstring& applicationName,
              HWND mainWindow);
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
    // The text in the main window's font, scaled to `dpi`.
    void applyFont(UINT dpi);
    // The log and, below it, the diagnostics, into the text control.
    void render();

    HWND window_ = nullptr;
    HWND edit_ = nullptr;
    HFONT font_ = nullptr;  // the log's own: the main window's may be remade at another DPI
    LOGFONTW mainFont_{};
    UINT mainFontDpi_ = 0;  // 0: no font of the main window to follow
    std::wstring text_;     // kept while the window is not made yet
    std::wstring diagnostics_;
};

}  // namespace quelvar::ui::win32
