#include "ui/win32/main_window.h"

#include <commctrl.h>

#include "app/dialog_template.h"
#include "ui/win32/dpi.h"
#include "ui/win32/record_folder_win32.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/system_colours.h"

namespace quelvar::ui::win32 {

using app::ControlId;

namespace {

// The address control lays its four fields out once, when it is made, and
// keeps them however it is resized or whatever font it is given. So at
// another size it is made anew, in its place in the tab order, with what was
// typed in each field; returns the new control.
HWND remakeAddressControl(HWND old, int x, int y, int width, int height, HFONT font) {
    HWND dialog = ::GetParent(old);
    const auto style = static_cast<DWORD>(::GetWindowLongW(old, GWL_STYLE)) & ~WS_DISABLED;
    const auto exStyle = static_cast<DWORD>(::GetWindowLongW(old, GWL_EXSTYLE));
    HWND fresh = ::CreateWindowExW(
        exStyle, WC_IPADDRESSW, L"", style, x, y, width, height, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(::GetDlgCtrlID(old))),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(old, GWLP_HINSTANCE)), nullptr);
    if (fresh == nullptr) {
        ::SetWindowPos(old, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return old;
    }
    ::SendMessageW(fresh, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (HWND from = ::GetWindow(old, GW_CHILD), to = ::GetWindow(fresh, GW_CHILD);
         from != nullptr && to != nullptr;
         from = ::GetWindow(from, GW_HWNDNEXT), to = ::GetWindow(to, GW_HWNDNEXT)) {
        wchar_t field[8] = {};
        ::GetWindowTextW(from, field, 8);
        ::SetWindowTextW(to, field);
    }
    if (!::IsWindowEnabled(old)) ::EnableWindow(fresh, FALSE);
    const bool hadFocus = ::IsChild(old, ::GetFocus());
    ::SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::DestroyWindow(old);
    if (hadFocus) ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(fresh), TRUE);
    return fresh;
}

}  // namespace

LANGID ResourceLanguage(platform::Language language) {
    return language == platform::Language::Japanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                                    : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

MainWindow::MainWindow(platform::Language language, std::wstring applicationName,
                       platform::Launcher& launcher, std::filesystem::path executablePath)
    : language_(language),
      applicationName_(std::move(applicationName)),
      threadId_(::GetCurrentThreadId()),
      view_(*this),
      dlg_(view_, launcher, language, std::move(executablePath)) {}

MainWindow::~MainWindow() {
    if (dialog_ != nullptr) ::DestroyWindow(dialog_);
    if (dpiFont_ != nullptr) ::DeleteObject(dpiFont_);
    if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
}

bool MainWindow::create(HINSTANCE instance) {
    // The template of the window's own language, whatever the thread's
    // resource language happens to be; English when that one is missing.
    HRSRC found = ::FindResourceExW(instance, RT_DIALOG,
                                    MAKEINTRESOURCEW(IDD_MAIN_WINDOW), ResourceLanguage(language_));
    if (found == nullptr) {
        found = ::FindResourceExW(instance, RT_DIALOG,
                                  MAKEINTRESOURCEW(IDD_MAIN_WINDOW),
                                  ResourceLanguage(platform::Language::English));
    }
    HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    auto* dialogTemplate = loaded != nullptr
                               ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded))
                               : nullptr;
    if (dialogTemplate == nullptr) return false;

    const int big = ::GetSystemMetrics(SM_CXICON);
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    bigIcon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                               IMAGE_ICON, big, big, LR_DEFAULTCOLOR));
    smallIcon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                                 IMAGE_ICON, small, small, LR_DEFAULTCOLOR));

    dialog_ = ::CreateDialogIndirectParamW(instance, dialogTemplate, nullptr, dialogProc,
                                           reinterpret_cast<LPARAM>(this));
    return dialog_ != nullptr;
}

int MainWindow::run() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (isLogShortcut(message)) {
            logWindow_.show(
                reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(dialog_, GWLP_HINSTANCE)),
                language_, applicationName_, dialog_);
            continue;
        }
        // The dialog manager gives Tab, mnemonics, Esc and Enter their meaning.
        if (dialog_ != nullptr && ::IsDialogMessageW(dialog_, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

bool MainWindow::isLogShortcut(const MSG& message) const {
    if (message.message != WM_KEYDOWN || message.wParam != 'L' || busy_) return false;
    if (message.hwnd != dialog_ && !::IsChild(dialog_, message.hwnd)) return false;
    return ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_SHIFT) < 0 &&
           ::GetKeyState(VK_MENU) >= 0;
}

INT_PTR CALLBACK MainWindow::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<MainWindow*>(lParam);
        self->dialog_ = dialog;
        self->onInitDialog();
        return TRUE;  // the focus goes to the first tab stop, the Search button
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    return self == nullptr ? FALSE : self->handle(message, wParam, lParam);
}

void MainWindow::onInitDialog() {
    ::SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    ::SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    // The log is capped by the core, not by the control's default limit.
    ::SendDlgItemMessageW(dialog_, static_cast<int>(ControlId::ActivityLog), EM_SETLIMITTEXT, 0, 0);
    dlg_.OnInitDialog();
    StartInUserFolderWhenInstalled(dlg_);
}

INT_PTR MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kInvokeMessage:
            (*reinterpret_cast<std::function<void()>*>(lParam))();
            return TRUE;
        case kOperationDoneMessage:
            endOperation();
            return TRUE;
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_SYSCOLORCHANGE:
            // The dialog's own controls follow the system colours by
            // themselves; the address field and the progress bar do once told.
            ForwardSysColorChange(dialog_);
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(bigIcon_);
        case WM_DPICHANGED:
            return onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        case WM_GETFONT:
            // The font the window is laid out in now, which the log window
            // takes on; before any DPI change, the dialog manager's own.
            if (dpiFont_ == nullptr) return FALSE;
            ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(dpiFont_));
            return TRUE;
        case WM_DESTROY:
            dialog_ = nullptr;
            ::PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}

bool MainWindow::onDpiChanged(UINT dpi, const RECT& suggested) {
    if (DialogScaledByWindows(dialog_)) return false;
    // The dialog manager lays the template out once, at creation; at another
    // scale it is done here the same way: the template's font at the new
    // DPI, and every control at its dialog units in that font.
    LOGFONTW logFont{};
    const auto current = reinterpret_cast<HFONT>(::SendMessageW(dialog_, WM_GETFONT, 0, 0));
    if (current == nullptr || ::GetObjectW(current, sizeof logFont, &logFont) != sizeof logFont) {
        return false;
    }
    logFont.lfHeight =
        -::MulDiv(app::MainDialogFont(language_).pointSize, static_cast<int>(dpi), 72);
    HFONT font = ::CreateFontIndirectW(&logFont);
    if (font == nullptr) return false;

    // The font's dialog base units, measured as the dialog manager measures them.
    HDC dc = ::GetDC(dialog_);
    const HGDIOBJ previous = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE alphabet{};
    ::GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
    ::SelectObject(dc, previous);
    ::ReleaseDC(dialog_, dc);
    const int charWidth = (alphabet.cx / 26 + 1) / 2;
    const int charHeight = metrics.tmHeight;

    ::SetWindowPos(dialog_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    // The controls are the dialog's children in template order.
    HWND child = ::GetWindow(dialog_, GW_CHILD);
    for (const app::DialogControl& entry : app::MainDialogControls()) {
        if (child == nullptr) break;
        const app::DialogRect units = entry.rect(language_);
        const int x = app::DialogUnitsToPixelsX(units.x, charWidth);
        const int y = app::DialogUnitsToPixelsY(units.y, charHeight);
        const int width = app::DialogUnitsToPixelsX(units.width, charWidth);
        const int height = app::DialogUnitsToPixelsY(units.height, charHeight);
        if (entry.kind == app::ControlKind::IpAddress) {
            child = remakeAddressControl(child, x, y, width, height, font);
        } else {
            ::SetWindowPos(child, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    if (dpiFont_ != nullptr) ::DeleteObject(dpiFont_);
    dpiFont_ = font;
    ::InvalidateRect(dialog_, nullptr, TRUE);
    return true;
}

void MainWindow::onCommand(int id, int code) {
    if (id == IDOK) return;  // Enter with no push button focused: nothing at all
    if (id == IDCANCEL) {
        // Esc, the close box, Alt+F4: the program ends at once, but never in
        // the middle of an operation (the window is disabled then anyway).
        if (!busy_) ::DestroyWindow(dialog_);
        return;
    }
    if (busy_) return;
    const auto control = static_cast<ControlId>(id);
    switch (control) {
        case ControlId::Search:
        case ControlId::LoadSetupRecord:
        case ControlId::SaveSetupRecord:
        case ControlId::BrowseFolder:
        case ControlId::SetIpAddress:
        case ControlId::Telnet:
        case ControlId::WebManager:
            if (code == BN_CLICKED) startOperation(control);
            return;
        case ControlId::DeviceList:
        case ControlId::FileList:
            if (code == LBN_SELCHANGE) dlg_.OnNotify(control, app::Notification::SelectionChanged);
            if (code == LBN_SETFOCUS) dlg_.OnNotify(control, app::Notification::FocusGained);
            return;
        default:
            return;
    }
}

void MainWindow::startOperation(ControlId id) {
    busy_ = true;
    focusBeforeOperation_ = ::GetFocus();
    // A disabled dialog still paints but takes no input (see showModal for
    // the boxes and dialogs the operation opens).
    ::EnableWindow(dialog_, FALSE);
    HWND dialog = dialog_;
    runner_.post([this, id, dialog] {
        dlg_.OnNotify(id, app::Notification::Clicked);
        // Every call the operation made to the window has completed by now,
        // so the window learns of the end after everything the user sees.
        ::PostMessageW(dialog, kOperationDoneMessage, 0, 0);
    });
}

void MainWindow::endOperation() {
    busy_ = false;
    ::EnableWindow(dialog_, TRUE);
    HWND focus = focusBeforeOperation_;
    if (focus == nullptr || !::IsWindowEnabled(focus) || !::IsWindowVisible(focus)) {
        focus = ::GetDlgItem(dialog_, static_cast<int>(ControlId::Search));
    }
    ::SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

}  // namespace quelvar::ui::win32
