#include "ui/win32/site_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "app/dialog_template.h"
#include "app/site_words.h"
#include "platform/utf8.h"
#include "ui/win32/dpi.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/system_colours.h"

namespace quelvar::ui::win32 {

using app::SiteControl;
using app::SiteTask;
using app::SiteWord;
using platform::utf8FromWide;
using platform::wideFromUtf8;

namespace {

constexpr int kMostJobs = 1024;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
// IsDialogMessage steps into and out of the window's controls for Tab.
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

std::wstring windowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        std::max(::GetWindowTextW(window, text.data(), length + 1), 0)));
    return text;
}

// A caption as it is drawn: '&' marks the access key and is not shown.
std::wstring shownCaption(const std::wstring& caption) {
    std::wstring shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return shown;
}

// The Japanese window keeps the main window's face, which has every glyph it
// needs on Japanese Windows; the English one takes the desktop's own.
HFONT makeFont(platform::Language language, UINT dpi) {
    if (language != platform::Language::Japanese) return CreateMessageFont(dpi);
    const app::DialogFont mainFont = app::MainDialogFont(language);
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(mainFont.pointSize, static_cast<int>(dpi), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    const std::wstring face = wideFromUtf8(mainFont.face);
    face.copy(font.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return ::CreateFontIndirectW(&font);
}

// A text for a multi-line edit control, which breaks lines only at CR LF.
std::wstring crlfText(const std::string& text) {
    std::wstring shown;
    for (wchar_t c : wideFromUtf8(text)) {
        if (c == L'\n' && (shown.empty() || shown.back() != L'\r')) shown += L'\r';
        shown += c;
    }
    return shown;
}

// Where the first line of `now` that is not the same line of `was` begins
// (lines end at CR LF); 0 when the first already differs.
std::size_t firstChangedLine(const std::wstring& was, const std::wstring& now) {
    std::size_t start = 0;  // the lines before are the same: it is the same in both
    for (;;) {
        const std::size_t wasEnd = was.find(L"\r\n", start);
        const std::size_t nowEnd = now.find(L"\r\n", start);
        if (wasEnd == std::wstring::npos || wasEnd != nowEnd ||
            was.compare(start, wasEnd - start, now, start, nowEnd - start) != 0) {
            return start;
        }
        start = nowEnd + 2;
    }
}

std::vector<SiteId> controlsOf(SiteControl control) {
    switch (control) {
        case SiteControl::Task:
            return {SiteId::Commission, SiteId::Backup, SiteId::Restore, SiteId::Audit};
        case SiteControl::Source: return {SiteId::SourceLabel, SiteId::Source, SiteId::Browse};
        case SiteControl::Range: return {SiteId::RangeLabel, SiteId::Range};
        case SiteControl::Verify: return {SiteId::Verify};
        case SiteControl::Jobs: return {SiteId::JobsLabel, SiteId::Jobs, SiteId::JobsSpin};
        case SiteControl::Report: return {SiteId::ReportLabel, SiteId::Report, SiteId::BrowseReport};
        case SiteControl::Resume: return {SiteId::ResumeLabel, SiteId::Resume, SiteId::BrowseResume};
        case SiteControl::Check: return {SiteId::Check};
        case SiteControl::Start: return {SiteId::Start};
        case SiteControl::Stop: return {SiteId::Stop};
        case SiteControl::OpenPage: return {SiteId::OpenPage};
        case SiteControl::OpenSheet: return {SiteId::OpenSheet};
        case SiteControl::Close: return {SiteId::Close};
    }
    return {};
}

SiteId radioOf(SiteTask task) {
    switch (task) {
        case SiteTask::Backup: return SiteId::Backup;
        case SiteTask::Restore: return SiteId::Restore;
        case SiteTask::Audit: return SiteId::Audit;
        case SiteTask::Commission: break;
    }
    return SiteId::Commission;
}

}  // namespace

SiteWindow::SiteWindow(platform::Language language, std::wstring applicationName,
                       platform::Launcher& launcher)
    : language_(language),
      applicationName_(std::move(applicationName)),
      threadId_(::GetCurrentThreadId()),
      view_(*this),
      dlg_(view_, launcher, language) {}

SiteWindow::~SiteWindow() {
    if (HWND window = handle()) ::DestroyWindow(window);
    if (font_ != nullptr) ::DeleteObject(font_);
}

std::wstring SiteWindow::word(SiteWord caption) const {
    return wideFromUtf8(app::SiteText(caption, language_));
}

bool SiteWindow::create(HINSTANCE instance, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // Redrawn whole on a resize: the group boxes' frames move with the width.
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kSiteWindowClass;
    ::RegisterClassExW(&windowClass);  // fails harmlessly when already registered

    const std::wstring title = word(SiteWord::Title);
    HWND window = ::CreateWindowExW(kWindowExStyle, kSiteWindowClass, title.c_str(), kWindowStyle,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    nullptr, nullptr, instance, this);
    if (window == nullptr) return false;
    // Shared icons belong to the module: nothing to free when the window goes.
    for (auto [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = ::GetSystemMetrics(metric);
        HANDLE icon = ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                                   size, size, LR_DEFAULTCOLOR | LR_SHARED);
        if (icon != nullptr) ::SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
    if (!createControls(instance)) {
        ::DestroyWindow(window);
        return false;
    }
    table_.followSystemColours(HighContrastOn());

    applyDpi(WindowDpi(window));
    const SIZE size = WindowSizeForClient(SiteDefaultClient(metrics_), kWindowStyle,
                                          kWindowExStyle, metrics_.dpi);
    ::SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
    focus_ = item(SiteId::Source);
    ::ShowWindow(window, show);
    ::UpdateWindow(window);
    // The presenter fills the form in on its own thread, as every handler
    // but the quick ones; the window is usable meanwhile.
    runOnWorker([this] { dlg_.OnInitDialog(); });
    return true;
}

HWND SiteWindow::addControl(SiteId id, const wchar_t* className, const std::wstring& caption,
                            DWORD style, DWORD exStyle) {
    return ::CreateWindowExW(exStyle, className, caption.c_str(), WS_CHILD | WS_VISIBLE | style, 0,
                             0, 0, 0, handle(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(handle(), GWLP_HINSTANCE)),
                             nullptr);
}

bool SiteWindow::createControls(HINSTANCE instance) {
    // Made in the captions' order, which is the tab order. Every control
    // but the second and third task starts a group of its own, so the arrow
    // keys move only between the tasks.
    constexpr DWORD kLabel = SS_LEFT | WS_GROUP;
    constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
    constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;
    const DWORD kField = WS_EX_CLIENTEDGE;
    bool made = true;
    auto add = [&](SiteId id, const wchar_t* className, const std::wstring& caption, DWORD style,
                   DWORD exStyle = 0) {
        made = addControl(id, className, caption, style, exStyle) != nullptr && made;
    };

    add(SiteId::TaskGroup, WC_BUTTONW, word(SiteWord::TaskGroup), BS_GROUPBOX | WS_GROUP);
    add(SiteId::Commission, WC_BUTTONW, word(SiteWord::TaskCommission),
        BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP);
    add(SiteId::Backup, WC_BUTTONW, word(SiteWord::TaskBackup), BS_AUTORADIOBUTTON);
    add(SiteId::Restore, WC_BUTTONW, word(SiteWord::TaskRestore), BS_AUTORADIOBUTTON);
    add(SiteId::Audit, WC_BUTTONW, word(SiteWord::TaskAudit), BS_AUTORADIOBUTTON);
    add(SiteId::SourceLabel, WC_STATICW, word(SiteWord::SheetLabel), kLabel);
    add(SiteId::Source, WC_EDITW, L"", kEdit, kField);
    add(SiteId::Browse, WC_BUTTONW, word(SiteWord::Browse), kButton);

    add(SiteId::OptionsGroup, WC_BUTTONW, word(SiteWord::OptionsGroup), BS_GROUPBOX | WS_GROUP);
    add(SiteId::RangeLabel, WC_STATICW, word(SiteWord::RangeLabel), kLabel);
    add(SiteId::Range, WC_EDITW, L"", kEdit, kField);
    add(SiteId::Verify, WC_BUTTONW, word(SiteWord::Verify), BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP);
    add(SiteId::JobsLabel, WC_STATICW, word(SiteWord::JobsLabel), kLabel);
    add(SiteId::Jobs, WC_EDITW, L"", kEdit, kField);
    // Not the up-down's own number in the field: 0 reads as the word for all.
    add(SiteId::JobsSpin, UPDOWN_CLASSW, L"", UDS_ARROWKEYS | UDS_NOTHOUSANDS);
    add(SiteId::ReportLabel, WC_STATICW, word(SiteWord::ReportLabel), kLabel);
    add(SiteId::Report, WC_EDITW, L"", kEdit, kField);
    add(SiteId::BrowseReport, WC_BUTTONW, word(SiteWord::BrowseReport), kButton);
    add(SiteId::ResumeLabel, WC_STATICW, word(SiteWord::ResumeLabel), kLabel);
    add(SiteId::Resume, WC_EDITW, L"", kEdit, kField);
    add(SiteId::BrowseResume, WC_BUTTONW, word(SiteWord::BrowseResume), kButton);

    add(SiteId::Check, WC_BUTTONW, word(SiteWord::Check), kButton);
    add(SiteId::Start, WC_BUTTONW, word(SiteWord::Start), kButton);
    add(SiteId::Stop, WC_BUTTONW, word(SiteWord::Stop), kButton);
    add(SiteId::OpenPage, WC_BUTTONW, word(SiteWord::OpenPage), kButton);
    add(SiteId::OpenSheet, WC_BUTTONW, word(SiteWord::OpenSheet), kButton);
    add(SiteId::Close, WC_BUTTONW, word(SiteWord::Close), kButton);
    add(SiteId::AuditPaneName, WC_STATICW, word(SiteWord::AuditPane),
        SS_LEFT | SS_NOPREFIX | WS_GROUP);
    // Hidden until the audit is the task (layOut shows it).
    made = addControl(SiteId::AuditPane, WC_EDITW, L"",
                      ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP |
                          WS_GROUP,
                      kField) != nullptr &&
           made;
    ::ShowWindow(item(SiteId::AuditPane), SW_HIDE);

    add(SiteId::TableName, WC_STATICW, word(SiteWord::TableName), SS_LEFT | SS_NOPREFIX | WS_GROUP);
    made = table_.create(handle(), instance, static_cast<int>(SiteId::Lines), language_) != nullptr &&
           made;
    add(SiteId::Status, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | WS_GROUP);
    add(SiteId::NotesName, WC_STATICW, word(SiteWord::NotesName), SS_LEFT | SS_NOPREFIX | WS_GROUP);
    add(SiteId::Notes, WC_EDITW, L"",
        ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP, kField);
    if (!made) return false;

    ::CheckRadioButton(handle(), static_cast<int>(SiteId::Commission),
                       static_cast<int>(SiteId::Audit), static_cast<int>(SiteId::Commission));
    const std::wstring hint = word(SiteWord::RangeHint);
    // TRUE: the hint stays while the empty field has the focus, when it is read.
    ::SendMessageW(item(SiteId::Range), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(hint.c_str()));
    HWND spin = item(SiteId::JobsSpin);
    ::SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(SiteId::Jobs)), 0);
    ::SendMessageW(spin, UDM_SETRANGE32, 0, kMostJobs);
    showJobs(jobs_);
    // The notes and the audit's text are capped by the presenter, not by
    // the control's default.
    ::SendMessageW(item(SiteId::Notes), EM_SETLIMITTEXT, 0, 0);
    ::SendMessageW(item(SiteId::AuditPane), EM_SETLIMITTEXT, 0, 0);
    table_.onSelectionChanged(
        [this](std::optional<std::size_t> line) { dlg_.OnLineSelected(line); });
    return true;
}

void SiteWindow::applyDpi(UINT dpi) {
    HFONT font = makeFont(language_, dpi);
    if (font == nullptr) return;
    for (int id = kSiteFirstId; id <= kSiteLastId; ++id) {
        ::SendMessageW(::GetDlgItem(handle(), id), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (font_ != nullptr) ::DeleteObject(font_);
    font_ = font;

    // Every caption measured in the new font; the layout takes it from here.
    HDC dc = ::GetDC(handle());
    const HGDIOBJ previous = ::SelectObject(dc, font_);
    TEXTMETRICW text{};
    ::GetTextMetricsW(dc, &text);
    auto width = [&](const std::wstring& caption) {
        const std::wstring shown = shownCaption(caption);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
        return static_cast<int>(extent.cx);
    };
    metrics_.textWidth.fill(0);
    for (int id = kSiteFirstId; id <= kSiteLastId; ++id) {
        const auto control = static_cast<SiteId>(id);
        if (control == SiteId::Lines || control == SiteId::Notes || control == SiteId::Status ||
            control == SiteId::AuditPane || IsNameOnly(control)) {
            continue;
        }
        metrics_.textWidth[SiteIndex(control)] = width(windowText(item(control)));
    }
    // The labels whose caption follows the task, as wide as their widest.
    metrics_.textWidth[SiteIndex(SiteId::SourceLabel)] =
        std::max({width(word(SiteWord::SheetLabel)), width(word(SiteWord::BackupToLabel)),
                  width(word(SiteWord::RestoreFromLabel)), width(word(SiteWord::ReferenceLabel))});
    metrics_.textWidth[SiteIndex(SiteId::ResumeLabel)] =
        std::max(width(word(SiteWord::ResumeLabel)), width(word(SiteWord::ModulesLabel)));
    metrics_.textWidth[SiteIndex(SiteId::Range)] = width(word(SiteWord::RangeHint));
    metrics_.textWidth[SiteIndex(SiteId::Resume)] = width(word(SiteWord::ModulesHint));
    metrics_.textWidth[SiteIndex(SiteId::Jobs)] =
        std::max(width(word(SiteWord::JobsAll)), width(L"1024"));
    ::SelectObject(dc, previous);
    ::ReleaseDC(handle(), dc);
    metrics_.lineHeight = text.tmHeight;
    metrics_.dpi = dpi;
    table_.fitColumns(dpi);
}

SiteLayout SiteWindow::currentLayout() const {
    RECT client{};
    ::GetClientRect(handle(), &client);
    return LayOutSite(metrics_, client.right, client.bottom, task_ == SiteTask::Audit);
}

void SiteWindow::layOut() {
    if (handle() == nullptr || ::IsIconic(handle())) return;
    const SiteLayout layout = currentLayout();
    showAuditPane(task_ == SiteTask::Audit);
    HDWP positions = ::BeginDeferWindowPos(kSiteControlCount);
    for (int id = kSiteFirstId; id <= kSiteLastId; ++id) {
        const RECT& r = layout[static_cast<SiteId>(id)];
        HWND control = ::GetDlgItem(handle(), id);
        if (control == nullptr) continue;
        if (positions != nullptr) {
            positions = ::DeferWindowPos(positions, control, nullptr, r.left, r.top,
                                         r.right - r.left, r.bottom - r.top,
                                         SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (positions != nullptr) ::EndDeferWindowPos(positions);
    table_.fitLastColumn();
    ::InvalidateRect(handle(), nullptr, TRUE);
}

void SiteWindow::onDpiChanged(UINT dpi, const RECT& suggested) {
    // The font made anew for the new DPI and the captions measured in it
    // first, so the resize below lays the window out at the new scale.
    applyDpi(dpi);
    ::SetWindowPos(handle(), nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
}

void SiteWindow::onMinMaxInfo(MINMAXINFO& info) const {
    const SiteLayout least = LayOutSite(metrics_, 0, 0, task_ == SiteTask::Audit);
    const SIZE size = WindowSizeForClient(least.minimumClient, kWindowStyle, kWindowExStyle,
                                          metrics_.dpi);
    info.ptMinTrackSize = POINT{size.cx, size.cy};
}

int SiteWindow::run() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The dialog manager gives Tab, the arrows, access keys and Esc their meaning.
        HWND window = handle();
        if (window != nullptr && ::IsDialogMessageW(window, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    // A handler still on the worker (the window was closed during a check)
    // sends its last calls to a window that is gone; they return at once as
    // long as this thread takes them, so it does until the handler is done.
    while (workerBusy_.load() > 0) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    return 0;
}

LRESULT CALLBACK SiteWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<SiteWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<SiteWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT SiteWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = handle();
    switch (message) {
        case kSiteInvokeMessage:
            (*reinterpret_cast<std::function<void()>*>(lParam))();
            return 0;
        case kSiteHandlerDoneMessage:
            onHandlerDone();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                onCloseAsked();  // Esc
            } else if (LOWORD(wParam) != IDOK) {  // Enter: no button is the default
                onCommand(static_cast<SiteId>(LOWORD(wParam)), HIWORD(wParam));
            }
            return 0;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (table_.onNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
            break;
        }
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == item(SiteId::JobsSpin)) onJobsSpun();
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) layOut();
            return 0;
        case WM_GETMINMAXINFO:
            if (font_ != nullptr) onMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_DPICHANGED:
            onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_SYSCOLORCHANGE:
            ForwardSysColorChange(window);
            table_.followSystemColours(HighContrastOn());
            break;
        case WM_SETTINGCHANGE:
            // A high-contrast theme switched on or off while the window is open.
            table_.followSystemColours(HighContrastOn());
            break;
        case WM_ACTIVATE:
            onActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_SETFOCUS:
            onActivate(true);
            return 0;
        case WM_CLOSE:
            onCloseAsked();  // the close box, Alt+F4
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void SiteWindow::onActivate(bool active) {
    HWND window = handle();
    if (!active) {
        // Kept to give back: a plain window, unlike a dialog, does not.
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window, focus)) focus_ = focus;
        return;
    }
    HWND focus = focus_;
    if (focus == nullptr || !::IsWindow(focus) || !::IsWindowEnabled(focus)) {
        focus = ::GetNextDlgTabItem(window, focus != nullptr && ::IsWindow(focus) ? focus : nullptr,
                                    FALSE);
    }
    if (focus != nullptr) ::SetFocus(focus);
}

void SiteWindow::onCommand(SiteId id, int code) {
    switch (id) {
        case SiteId::Commission:
        case SiteId::Backup:
        case SiteId::Restore:
        case SiteId::Audit:
            if (code == BN_CLICKED) onTaskClicked();
            return;
        case SiteId::Browse:
            if (code == BN_CLICKED) runOnWorkerIfIdle([this] { dlg_.OnBrowse(); });
            return;
        case SiteId::BrowseReport:
            if (code == BN_CLICKED) runOnWorkerIfIdle([this] { dlg_.OnBrowseReport(); });
            return;
        case SiteId::BrowseResume:
            if (code == BN_CLICKED) runOnWorkerIfIdle([this] { dlg_.OnBrowseResume(); });
            return;
        case SiteId::Check:
            if (code == BN_CLICKED) runOnWorkerIfIdle([this] { dlg_.OnCheck(); });
            return;
        case SiteId::Start:
            if (code == BN_CLICKED) runOnWorkerIfIdle([this] { dlg_.OnStart(); });
            return;
        case SiteId::Stop:
            if (code == BN_CLICKED) dlg_.OnStop();
            return;
        case SiteId::OpenPage:
            if (code == BN_CLICKED) dlg_.OnOpenPage();
            return;
        case SiteId::OpenSheet:
            if (code == BN_CLICKED) dlg_.OnOpenSheet();
            return;
        case SiteId::Close:
            if (code == BN_CLICKED) onCloseAsked();
            return;
        case SiteId::Source:
            // A typed path is read as soon as the field is left, like one
            // chosen with Browse. A click that left it (Start, say) queues
            // behind this check instead of being lost.
            if (code == EN_KILLFOCUS && workerBusy_.load() == 0) {
                ++sourceChecks_;
                runOnWorker([this] {
                    dlg_.OnSourceEdited();
                    --sourceChecks_;
                });
            }
            return;
        case SiteId::Jobs:
            if (code == EN_CHANGE) onJobsEdited();
            if (code == EN_KILLFOCUS) showJobs(jobsFromText());
            return;
        default:
            return;
    }
}

void SiteWindow::runOnWorker(std::function<void()> handler) {
    ++workerBusy_;
    HWND window = handle();
    runner_.post([this, handler = std::move(handler), window] {
        handler();
        --workerBusy_;
        // Every call the handler made to the window has completed by now.
        ::PostMessageW(window, kSiteHandlerDoneMessage, 0, 0);
    });
}

void SiteWindow::runOnWorkerIfIdle(std::function<void()> handler) {
    // A second click while a check or a run goes (the presenter disables
    // what matters, but a double click is quicker) would queue a second one.
    if (workerBusy_.load() > sourceChecks_.load()) return;
    runOnWorker(std::move(handler));
}

void SiteWindow::onHandlerDone() {
    if (workerBusy_.load() > 0) return;
    if (dlg_.closeWhenDone()) {
        ::DestroyWindow(handle());
        return;
    }
    // The focus goes back only where a box the handler showed left it on
    // the window itself or on a control it disabled; where the user has
    // moved on meanwhile (tabbed from the source field into the next one
    // while the sheet was read), it stays.
    HWND focus = ::GetFocus();
    if (::GetActiveWindow() == handle() && focus != nullptr && ::IsChild(handle(), focus) &&
        ::IsWindowEnabled(focus)) {
        focus_ = focus;
        return;
    }
    onActivate(::GetActiveWindow() == handle());
}

void SiteWindow::onCloseAsked() {
    if (dlg_.OnClose()) {
        ::DestroyWindow(handle());
        return;
    }
    // The run may have ended while the question was open: its end has been
    // seen, and nothing else will close the window then.
    if (workerBusy_.load() == 0 && dlg_.closeWhenDone()) ::DestroyWindow(handle());
}

void SiteWindow::onTaskClicked() {
    const SiteTask task = chosenTask();
    if (task == task_) return;
    showTask(task);
    runOnWorker([this] { dlg_.OnTaskChanged(); });
}

SiteTask SiteWindow::chosenTask() const {
    if (::IsDlgButtonChecked(handle(), static_cast<int>(SiteId::Backup)) == BST_CHECKED) {
        return SiteTask::Backup;
    }
    if (::IsDlgButtonChecked(handle(), static_cast<int>(SiteId::Restore)) == BST_CHECKED) {
        return SiteTask::Restore;
    }
    if (::IsDlgButtonChecked(handle(), static_cast<int>(SiteId::Audit)) == BST_CHECKED) {
        return SiteTask::Audit;
    }
    return SiteTask::Commission;
}

void SiteWindow::showTask(SiteTask task) {
    const bool paneChanges = (task == SiteTask::Audit) != (task_ == SiteTask::Audit);
    task_ = task;
    ::SetWindowTextW(item(SiteId::SourceLabel), word(app::SourceCaption(task)).c_str());
    ::SetWindowTextW(item(SiteId::ResumeLabel), word(app::ResumeCaption(task)).c_str());
    // TRUE: the hint stays while the empty field has the focus, when it is read.
    const std::wstring hint = task == SiteTask::Audit ? word(SiteWord::ModulesHint) : L"";
    ::SendMessageW(item(SiteId::Resume), EM_SETCUEBANNER, TRUE,
                   reinterpret_cast<LPARAM>(hint.c_str()));
    if (!paneChanges) return;
    // The pane takes its room from the table; a window too short for both
    // grows to the least that holds them.
    const SiteLayout layout = currentLayout();
    RECT client{};
    ::GetClientRect(handle(), &client);
    if (client.bottom < layout.minimumClient.cy && !::IsZoomed(handle()) && !::IsIconic(handle())) {
        RECT frame{};
        ::GetWindowRect(handle(), &frame);
        ::SetWindowPos(handle(), nullptr, 0, 0, frame.right - frame.left,
                       frame.bottom - frame.top + layout.minimumClient.cy - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    layOut();
}

void SiteWindow::showAuditPane(bool shown) {
    HWND pane = item(SiteId::AuditPane);
    // Its own style, not IsWindowVisible: the window itself may not be shown yet.
    if (((::GetWindowLongW(pane, GWL_STYLE) & WS_VISIBLE) != 0) == shown) return;
    // Hiding the control with the focus would leave the keyboard nowhere.
    if (!shown && ::GetFocus() == pane) {
        HWND next = ::GetNextDlgTabItem(handle(), pane, FALSE);
        ::SetFocus(next);
        focus_ = next;
    }
    ::ShowWindow(pane, shown ? SW_SHOWNA : SW_HIDE);
}

void SiteWindow::showAudit(const std::string& text) {
    HWND pane = item(SiteId::AuditPane);
    const std::wstring shown = crlfText(text);
    const std::wstring before = windowText(pane);
    if (shown == before) return;  // the same line selected again: the reader's place stays
    // The pane keeps what stays (the legend, the patterns) and ends with the
    // selected module's bytes; those are what a new selection is for, so the
    // first line that changed comes to the top of the pane. The control
    // wraps long lines: its own line of that character is the one to scroll by.
    const std::size_t changed = firstChangedLine(before, shown);
    ::SetWindowTextW(pane, shown.c_str());
    if (changed == 0) return;
    const auto line = ::SendMessageW(pane, EM_LINEFROMCHAR, changed, 0);
    ::SendMessageW(pane, EM_LINESCROLL, 0, line);
}

int SiteWindow::jobsFromText() const {
    std::wstring text = windowText(item(SiteId::Jobs));
    text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return std::iswspace(c); }),
               text.end());
    if (text == L"0" || ::CompareStringOrdinal(text.c_str(), -1, word(SiteWord::JobsAll).c_str(),
                                               -1, TRUE) == CSTR_EQUAL) {
        return 0;
    }
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        return jobs_;  // not a number: the last one stands
    }
    return std::min(std::stoi(text), kMostJobs);
}

void SiteWindow::showJobs(int jobs) {
    jobs_ = std::clamp(jobs, 0, kMostJobs);
    const std::wstring text = jobs_ == 0 ? word(SiteWord::JobsAll) : std::to_wstring(jobs_);
    settingJobs_ = true;
    if (windowText(item(SiteId::Jobs)) != text) ::SetWindowTextW(item(SiteId::Jobs), text.c_str());
    settingJobs_ = false;
    ::SendMessageW(item(SiteId::JobsSpin), UDM_SETPOS32, 0, jobs_);
}

void SiteWindow::onJobsSpun() {
    // The up-down reads its field before it answers and says it failed when
    // the field holds the word for all; its own position is right all the same.
    BOOL unreadable = FALSE;
    showJobs(static_cast<int>(::SendMessageW(item(SiteId::JobsSpin), UDM_GETPOS32, 0,
                                             reinterpret_cast<LPARAM>(&unreadable))));
}

void SiteWindow::onJobsEdited() {
    if (settingJobs_) return;
    // Typing moves the up-down along, so its arrows go on from what was typed.
    jobs_ = jobsFromText();
    ::SendMessageW(item(SiteId::JobsSpin), UDM_SETPOS32, 0, jobs_);
}

app::SiteForm SiteWindow::form() const {
    auto text = [&](SiteId id) { return utf8FromWide(windowText(item(id))); };
    app::SiteForm form;
    form.task = task_;
    form.source = text(SiteId::Source);
    form.range = text(SiteId::Range);
    form.report = text(SiteId::Report);
    form.resume = text(SiteId::Resume);
    form.verify = ::IsDlgButtonChecked(handle(), static_cast<int>(SiteId::Verify)) == BST_CHECKED;
    form.jobs = jobsFromText();
    return form;
}

void SiteWindow::setForm(const app::SiteForm& form) {
    ::CheckRadioButton(handle(), static_cast<int>(SiteId::Commission),
                       static_cast<int>(SiteId::Audit), static_cast<int>(radioOf(form.task)));
    showTask(form.task);
    auto set = [&](SiteId id, const std::string& text) {
        ::SetWindowTextW(item(id), wideFromUtf8(text).c_str());
    };
    set(SiteId::Source, form.source);
    set(SiteId::Range, form.range);
    set(SiteId::Report, form.report);
    set(SiteId::Resume, form.resume);
    ::CheckDlgButton(handle(), static_cast<int>(SiteId::Verify),
                     form.verify ? BST_CHECKED : BST_UNCHECKED);
    showJobs(form.jobs);
}

void SiteWindow::setStatus(const std::string& text) {
    ::SetWindowTextW(item(SiteId::Status), wideFromUtf8(text).c_str());
}

void SiteWindow::showNotes(const std::string& text) {
    HWND notes = item(SiteId::Notes);
    ::SetWindowTextW(notes, crlfText(text).c_str());
    ::SendMessageW(notes, EM_LINESCROLL, 0, 0x10000);
}

void SiteWindow::enable(SiteControl control, bool enabled) {
    // A control that loses the focus by being disabled hands it on, or the
    // keyboard would reach nothing.
    HWND focus = ::GetFocus();
    for (SiteId id : controlsOf(control)) ::EnableWindow(item(id), enabled ? TRUE : FALSE);
    if (enabled || focus == nullptr || !::IsChild(handle(), focus) || ::IsWindowEnabled(focus)) {
        return;
    }
    HWND next = ::GetNextDlgTabItem(handle(), focus, FALSE);
    if (next != nullptr && ::IsWindowEnabled(next)) {
        ::SetFocus(next);
        focus_ = next;
    }
}

}  // namespace quelvar::ui::win32
