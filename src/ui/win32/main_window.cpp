#include "ui/win32/main_window.h"

#include "ui/win32/record_folder_win32.h"
#include "ui/win32/resource_ids.h"

namespace quelvar::ui::win32 {

using app::ControlId;

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
                applicationName_, dialog_);
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
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(bigIcon_);
        case WM_DESTROY:
            dialog_ = nullptr;
            ::PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
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
