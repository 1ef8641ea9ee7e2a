#include "ui/win32/log_window.h"

#include "app/dialog_template.h"
#include "platform/utf8.h"
#include "ui/win32/dpi.h"

namespace quelvar::ui::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuelvarActivityLog";
constexpr int kWidth = 520;  // at 96 DPI
constexpr int kHeight = 360;

}  // namespace

LogWindow::~LogWindow() {
    if (window_ != nullptr) ::DestroyWindow(window_);
    if (font_ != nullptr) ::DeleteObject(font_);
}

LRESULT CALLBACK LogWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<LogWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_SIZE) {
        // The text fills the window.
        if (HWND edit = ::GetWindow(window, GW_CHILD)) {
            ::MoveWindow(edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
        return 0;
    }
    if (message == WM_DPICHANGED && self != nullptr) {
        // Moved to a monitor of another scale: the size Windows proposes for
        // it there, and the text at the new scale.
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(window, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        self->applyFont(HIWORD(wParam));
        return 0;
    }
    if (message == WM_CLOSE) {
        // Closing only hides it; the next Ctrl+Shift+L shows it again, up to date.
        ::ShowWindow(window, SW_HIDE);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void LogWindow::show(HINSTANCE instance, platform::Language language,
                     const std::wstring& applicationName, HWND mainWindow) {
    if (window_ == nullptr) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kClassName;
        ::RegisterClassExW(&windowClass);  // fails harmlessly when already registered

        const auto font = reinterpret_cast<HFONT>(::SendMessageW(mainWindow, WM_GETFONT, 0, 0));
        if (font != nullptr &&
            ::GetObjectW(font, sizeof mainFont_, &mainFont_) == sizeof mainFont_) {
            mainFontDpi_ = WindowDpi(mainWindow);
        }
        const UINT dpi = WindowDpi(mainWindow);
        const std::wstring title = platform::wideFromUtf8(
            app::ActivityLogWindowTitle(language, platform::utf8FromWide(applicationName)));
        window_ = ::CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, CW_USEDEFAULT, ScaleForDpi(kWidth, dpi),
                                    ScaleForDpi(kHeight, dpi), nullptr, nullptr, instance, this);
        if (window_ == nullptr) return;
        edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                      ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                  0, 0, 0, 0, window_, nullptr, instance, nullptr);
        ::SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
        applyFont(WindowDpi(window_));
        RECT client{};
        ::GetClientRect(window_, &client);
        ::MoveWindow(edit_, 0, 0, client.right, client.bottom, FALSE);
        render();
    }
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::SetForegroundWindow(window_);
    scrollToEnd();
}

void LogWindow::applyFont(UINT dpi) {
    if (mainFontDpi_ == 0 || edit_ == nullptr) return;
    LOGFONTW scaled = mainFont_;
    scaled.lfHeight =
        ::MulDiv(mainFont_.lfHeight, static_cast<int>(dpi), static_cast<int>(mainFontDpi_));
    HFONT font = ::CreateFontIndirectW(&scaled);
    if (font == nullptr) return;
    ::SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (font_ != nullptr) ::DeleteObject(font_);
    font_ = font;
}

void LogWindow::setText(const std::wstring& text) {
    text_ = text;
    if (text_.empty()) diagnostics_.clear();
    render();
}

void LogWindow::appendDiagnostics(const std::wstring& lines) {
    diagnostics_ += lines;
    render();
    scrollToEnd();
}

void LogWindow::render() {
    if (edit_ == nullptr) return;
    std::wstring shown = text_;
    if (!diagnostics_.empty()) {
        // A blank line between the log's own text and what explains it.
        if (!shown.empty() && shown.back() != L'\n') shown += L"\r\n";
        if (!shown.empty()) shown += L"\r\n";
        shown += diagnostics_;
    }
    ::SetWindowTextW(edit_, shown.c_str());
}

void LogWindow::scrollToEnd() {
    if (edit_ != nullptr) ::SendMessageW(edit_, EM_LINESCROLL, 0, 0x10000);
}

}  // namespace quelvar::ui::win32
