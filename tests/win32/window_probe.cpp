// window-probe: looks at the running QUELVARinit window from outside, as a
// UI automation tool would, for the window test under Wine. It reads what
// Windows itself says about the window (control classes, identifiers,
// captions, rectangles, list lines, message boxes) and prints screen points
// for the test to click with real X input; it never clicks or types itself.
//
//   window-probe layout en|ja     controls, captions, rectangles and font
//                                 against the dialog template table
//   window-probe point ID         screen centre of control ID
//   window-probe line ID INDEX    screen centre of line INDEX of list box ID
//   window-probe list ID          the lines of list box ID
//   window-probe text ID          the text of control ID
//   window-probe idle             exit 0 when the window takes input again
//   window-probe state            "enabled yes|no foreground yes|no focus yes|no":
//                                 whether the window takes input, is the
//                                 active window of the desktop, and holds
//                                 the keyboard focus in one of its controls
//   window-probe box              the message box shown over the window:
//                                 "<icon yes|no> <buttons>\n<text>"
//   window-probe box-button ID    screen centre of button ID of that box
//   window-probe save-button      screen centre of the save dialog's Save button
//   window-probe log-window       the text of the separate activity log window
//   window-probe log-window-title the title of that window
//   window-probe log-window-size  "WIDTHxHEIGHT" of that window, frame included
//   window-probe dpi              "awareness unaware|system|per-monitor|per-monitor-v2
//                                 dpi N": how the window is scaled
//
// With "site" first, the same commands look at the Site window
// (QUELVARinit.exe --site) instead, its controls by their identifiers
// (ui/win32/site_window_ids.h), and these as well:
//
//   window-probe site rows        the table's lines, one a line, cells
//                                 separated by tabs
//   window-probe site value ID    the text of control ID, asked of the
//                                 control itself (an edit's contents)
//   window-probe site enabled ID  exit 0 when control ID takes input
//   window-probe site visible ID  exit 0 when control ID is shown
//
// The probe itself is per-monitor DPI aware, so that it sees the window's
// real pixels and lays out its reference dialog at the same DPI.
//
// Output is UTF-8. Exit status 1 when what is asked for is not there (yet):
// the test script polls, with a deadline of its own.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "platform/utf8.h"
#include "ui/win32/site_window_ids.h"

namespace {

using quelvar::app::ControlKind;
using quelvar::platform::Language;
using quelvar::platform::utf8FromWide;

constexpr int kSearchId = 1001;

std::wstring windowText(HWND window) {
    wchar_t text[4096] = {};
    ::GetWindowTextW(window, text, 4096);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

bool isDialog(HWND window) { return className(window) == L"#32770"; }

// The main window: a visible dialog with the Search button.
HWND mainWindow() {
    HWND found = nullptr;
    ::EnumWindows(
        [](HWND window, LPARAM result) -> BOOL {
            if (isDialog(window) && ::GetDlgItem(window, kSearchId) != nullptr &&
                ::IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(result) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The Site window: the visible window of its class.
HWND siteWindow() {
    HWND window = ::FindWindowW(quelvar::ui::win32::kSiteWindowClass, nullptr);
    return window != nullptr && ::IsWindowVisible(window) ? window : nullptr;
}

// The common file dialogs have a file name field; message boxes do not.
bool isFileDialog(HWND dialog) {
    return ::GetDlgItem(dialog, 0x047C) != nullptr || ::GetDlgItem(dialog, 0x0480) != nullptr;
}

// A visible dialog owned by the main window: a message box or a common dialog.
HWND ownedDialog(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (window != s->owner && isDialog(window) && ::IsWindowVisible(window) &&
                ::GetWindow(window, GW_OWNER) == s->owner) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int printCentre(HWND control) {
    if (control == nullptr || !::IsWindowVisible(control)) return 1;
    RECT rect{};
    ::GetWindowRect(control, &rect);
    print(std::to_string((rect.left + rect.right) / 2) + " " +
          std::to_string((rect.top + rect.bottom) / 2) + "\n");
    return 0;
}

const wchar_t* expectedClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::GroupBox: return L"Button";
        case ControlKind::Label: return L"Static";
        case ControlKind::ListBox: return L"ListBox";
        case ControlKind::IpAddress: return L"SysIPAddress32";
        case ControlKind::Edit: return L"Edit";
        case ControlKind::ProgressBar: return L"msctls_progress32";
    }
    return L"";
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// A hidden dialog of this process in the table's font: Windows turns the
// table's dialog units into pixels with it, independently of the program
// under test (whose own dialog cannot be asked from another process).
class ReferenceDialog {
  public:
    explicit ReferenceDialog(Language language) {
        const auto font = quelvar::app::MainDialogFont(language);
        const std::wstring face = [&] {
            std::wstring wide(64, L'\0');
            const int n = ::MultiByteToWideChar(CP_UTF8, 0, font.face, -1, wide.data(), 64);
            wide.resize(n > 0 ? static_cast<std::size_t>(n) : 1);
            return wide;
        }();
        std::vector<WORD> t;
        auto dword = [&](DWORD v) { t.push_back(LOWORD(v)); t.push_back(HIWORD(v)); };
        t.push_back(1);       // dlgVer
        t.push_back(0xFFFF);  // signature: DLGTEMPLATEEX
        dword(0);             // helpID
        dword(0);             // exStyle
        dword(DS_SETFONT | WS_POPUP | WS_CAPTION);
        t.push_back(0);  // no controls
        for (int i = 0; i < 4; ++i) t.push_back(0);  // x, y, cx, cy
        t.push_back(0);  // menu
        t.push_back(0);  // class
        t.push_back(0);  // title
        t.push_back(static_cast<WORD>(font.pointSize));
        t.push_back(FW_NORMAL);
        // italic, then the character set the resource generator writes
        t.push_back(static_cast<WORD>((language == Language::Japanese ? SHIFTJIS_CHARSET
                                                                      : DEFAULT_CHARSET)
                                      << 8));
        for (wchar_t c : face) t.push_back(static_cast<WORD>(c));
        dialog_ = ::CreateDialogIndirectParamW(
            nullptr, reinterpret_cast<const DLGTEMPLATE*>(t.data()), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    }
    ~ReferenceDialog() {
        if (dialog_ != nullptr) ::DestroyWindow(dialog_);
    }
    // As the dialog manager places a control: position and size are each
    // converted on their own (converting the right edge instead can differ
    // by a pixel).
    RECT pixels(int x, int y, int width, int height) const {
        RECT r{x, y, width, height};
        ::MapDialogRect(dialog_, &r);
        return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
    }
    bool valid() const { return dialog_ != nullptr; }

  private:
    HWND dialog_ = nullptr;
};

// Every control of the live window against the table, in template order:
// class, identifier, caption and rectangle (the table's dialog units turned
// into pixels by the dialog itself), then the client size and the font.
int checkLayout(HWND dialog, Language language) {
    int failures = 0;
    const ReferenceDialog reference(language);
    if (!reference.valid()) {
        print("MISMATCH no reference dialog in the table's font\n");
        return 1;
    }
    auto fail = [&](const std::string& what) {
        print("MISMATCH " + what + "\n");
        ++failures;
    };

    HWND child = ::GetWindow(dialog, GW_CHILD);
    int index = 0;
    for (const auto& entry : quelvar::app::MainDialogControls()) {
        const std::string name = "control " + std::to_string(index) + " (id " +
                                 std::to_string(entry.id) + ")";
        if (child == nullptr) {
            fail(name + ": missing");
            break;
        }
        const int id = ::GetDlgCtrlID(child);
        const int expectedId = entry.id == 0 ? 0xFFFF : entry.id;
        if ((id & 0xFFFF) != expectedId) fail(name + ": identifier " + std::to_string(id));
        if (::lstrcmpiW(className(child).c_str(), expectedClass(entry.kind)) != 0) {
            fail(name + ": class " + utf8FromWide(className(child)));
        }
        // Captions the program replaces at start (the labels with an
        // identifier) are checked by the test through `text`.
        const bool fixedCaption =
            entry.kind == ControlKind::PushButton || (entry.kind == ControlKind::Label && entry.id == 0);
        if (fixedCaption && utf8FromWide(windowText(child)) != entry.caption(language)) {
            fail(name + ": caption \"" + utf8FromWide(windowText(child)) + "\"");
        }
        const auto units = entry.rect(language);
        const RECT expected = reference.pixels(units.x, units.y, units.width, units.height);
        RECT actual{};
        ::GetWindowRect(child, &actual);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        if (!::EqualRect(&expected, &actual)) {
            fail(name + ": at " + rectText(actual) + ", table says " + rectText(expected));
        }
        const bool visible = (::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
        if (visible == entry.hiddenAtStart) fail(name + ": visibility");
        const bool tabStop = (::GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0;
        if (tabStop != entry.tabStop) fail(name + ": tab stop");
        print(std::to_string(id & 0xFFFF) + "\t" + utf8FromWide(className(child)) + "\t" +
              rectText(actual) + "\t" + utf8FromWide(windowText(child)) + "\n");
        child = ::GetWindow(child, GW_HWNDNEXT);
        ++index;
    }
    if (child != nullptr) fail("more controls than the table has");

    const auto size = quelvar::app::MainDialogSize(language);
    const RECT expectedClient = reference.pixels(0, 0, size.width, size.height);
    RECT client{};
    ::GetClientRect(dialog, &client);
    if (!::EqualRect(&expectedClient, &client)) fail("client area " + rectText(client));

    if (utf8FromWide(windowText(dialog)) != "QUELVARinit") fail("window caption");

    RECT window{};
    ::GetWindowRect(dialog, &window);
    print("window " + rectText(window) + " client " + rectText(client) + "\n");
    return failures == 0 ? 0 : 1;
}

int listLines(HWND list) {
    if (list == nullptr) return 1;
    const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t line[512] = {};
        const auto length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length >= 0 && length < 512) {
            ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
        }
        print(utf8FromWide(line) + "\n");
    }
    return 0;
}

int linePoint(HWND list, int index) {
    if (list == nullptr || index >= ::SendMessageW(list, LB_GETCOUNT, 0, 0)) return 1;
    const auto height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const auto top = static_cast<int>(::SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    RECT client{};
    ::GetClientRect(list, &client);
    POINT point{client.right / 2, (index - top) * height + height / 2};
    ::ClientToScreen(list, &point);
    print(std::to_string(point.x) + " " + std::to_string(point.y) + "\n");
    return 0;
}

// A control's text asked of the control: GetWindowText gives only captions
// across processes.
std::wstring controlText(HWND control) {
    const auto length = ::SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring content(static_cast<std::size_t>(length) + 1, L'\0');
    content.resize(static_cast<std::size_t>(::SendMessageW(
        control, WM_GETTEXT, content.size(), reinterpret_cast<LPARAM>(content.data()))));
    return content;
}

// The cells of a list view in another process: the item and its text buffer
// must be in that process's memory, where the list writes the text.
int tableRows(HWND list) {
    if (list == nullptr) return 1;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(list, &processId);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                   FALSE, processId);
    if (process == nullptr) return 1;
    constexpr int kTextLength = 1024;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kTextLength * sizeof(wchar_t),
                                    MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) {
        ::CloseHandle(process);
        return 1;
    }
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    const auto columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const auto rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    std::string out;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = remoteText;
            item.cchTextMax = kTextLength;
            wchar_t text[kTextLength] = {};
            ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                           reinterpret_cast<LPARAM>(remote));
            ::ReadProcessMemory(process, remoteText, text, sizeof text - sizeof(wchar_t), nullptr);
            out += (column == 0 ? "" : "\t") + utf8FromWide(text);
        }
        out += "\n";
    }
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    print(out);
    return 0;
}

// The DPI functions of Windows 10, looked up at run time.
template <typename Function>
Function user32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

void becomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto set = user32Function<SetContext>("SetProcessDpiAwarenessContext")) {
        if (set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
    }
    ::SetProcessDPIAware();
}

int describeDpi(HWND dialog) {
    using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    using Awareness = int(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using Equal = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
    using GetDpi = UINT(WINAPI*)(HWND);
    const auto getContext = user32Function<GetContext>("GetWindowDpiAwarenessContext");
    const auto awarenessOf = user32Function<Awareness>("GetAwarenessFromDpiAwarenessContext");
    const auto equal = user32Function<Equal>("AreDpiAwarenessContextsEqual");
    const auto getDpi = user32Function<GetDpi>("GetDpiForWindow");
    if (getContext == nullptr || awarenessOf == nullptr || equal == nullptr || getDpi == nullptr) {
        return 1;
    }
    const DPI_AWARENESS_CONTEXT context = getContext(dialog);
    std::string awareness;
    if (equal(context, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
        awareness = "per-monitor-v2";
    } else {
        const char* const levels[] = {"unaware", "system", "per-monitor"};
        const int level = awarenessOf(context);
        awareness = level >= 0 && level <= 2 ? levels[level] : "invalid";
    }
    print("awareness " + awareness + " dpi " + std::to_string(getDpi(dialog)) + "\n");
    return 0;
}

int describeState(HWND dialog) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    const bool known = ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &thread);
    const bool focus = known && thread.hwndFocus != nullptr &&
                       (thread.hwndFocus == dialog || ::IsChild(dialog, thread.hwndFocus));
    auto yesNo = [](bool value) { return value ? std::string("yes") : std::string("no"); };
    print("enabled " + yesNo(::IsWindowEnabled(dialog)) + " foreground " +
          yesNo(::GetForegroundWindow() == dialog) + " focus " + yesNo(focus) + "\n");
    return 0;
}

int describeBox(HWND box) {
    if (box == nullptr) return 1;
    // The message box's text and icon controls have fixed identifiers.
    HWND text = ::GetDlgItem(box, 0xFFFF);
    HWND icon = ::GetDlgItem(box, 0x0440);
    const bool hasIcon = icon != nullptr && ::IsWindowVisible(icon) &&
                         ::SendMessageW(icon, STM_GETICON, 0, 0) != 0;
    std::string buttons;
    for (int id : {IDOK, IDCANCEL}) {
        HWND button = ::GetDlgItem(box, id);
        if (button != nullptr && ::IsWindowVisible(button)) {
            buttons += (buttons.empty() ? "" : ",") + utf8FromWide(windowText(button));
            if (::GetWindowLongW(button, GWL_STYLE) & BS_DEFPUSHBUTTON) buttons += "*";
        }
    }
    print(std::string("icon ") + (hasIcon ? "yes" : "no") + " buttons " + buttons + " caption " +
          utf8FromWide(windowText(box)) + "\n" +
          (text != nullptr ? utf8FromWide(windowText(text)) : std::string()) + "\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool site = argc > 1 && std::wstring(argv[1]) == L"site";
    if (site) {
        --argc;
        ++argv;
    }
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    becomeDpiAware();
    HWND dialog = site ? siteWindow() : mainWindow();
    if (dialog == nullptr) return 1;
    auto control = [&](int i) { return ::GetDlgItem(dialog, argc > i ? std::wcstol(argv[i], nullptr, 10) : 0); };

    if (site && command == L"rows") {
        return tableRows(::GetDlgItem(dialog, static_cast<int>(quelvar::ui::win32::SiteId::Lines)));
    }
    if (site && command == L"value") {
        if (control(2) == nullptr) return 1;
        print(utf8FromWide(controlText(control(2))) + "\n");
        return 0;
    }
    if (site && command == L"enabled") return control(2) != nullptr && ::IsWindowEnabled(control(2)) ? 0 : 1;
    if (site && command == L"visible") {
        return control(2) != nullptr && ::IsWindowVisible(control(2)) ? 0 : 1;
    }
    if (command == L"layout" && argc > 2) {
        return checkLayout(dialog, std::wstring(argv[2]) == L"ja" ? Language::Japanese
                                                                  : Language::English);
    }
    if (command == L"point") return printCentre(control(2));
    if (command == L"line" && argc > 3) return linePoint(control(2), std::wcstol(argv[3], nullptr, 10));
    if (command == L"list") return listLines(control(2));
    if (command == L"text") {
        if (control(2) == nullptr) return 1;
        print(utf8FromWide(windowText(control(2))) + "\n");
        return 0;
    }
    if (command == L"idle") return ::IsWindowEnabled(dialog) && ownedDialog(dialog) == nullptr ? 0 : 1;
    if (command == L"state") return describeState(dialog);
    if (command == L"dpi") return describeDpi(dialog);
    if (command == L"box") {
        HWND box = ownedDialog(dialog);
        return box != nullptr && !isFileDialog(box) ? describeBox(box) : 1;
    }
    if (command == L"box-button" && argc > 2) {
        HWND box = ownedDialog(dialog);
        return box == nullptr ? 1 : printCentre(::GetDlgItem(box, std::wcstol(argv[2], nullptr, 10)));
    }
    // Found by its window class: its title is in the window's language.
    HWND log = ::FindWindowW(L"QuelvarActivityLog", nullptr);
    if (log != nullptr && !::IsWindowVisible(log)) log = nullptr;
    if (command == L"log-window-title") {
        if (log == nullptr) return 1;
        print(utf8FromWide(windowText(log)) + "\n");
        return 0;
    }
    if (command == L"log-window-size") {
        if (log == nullptr) return 1;
        RECT rect{};
        ::GetWindowRect(log, &rect);
        print(std::to_string(rect.right - rect.left) + "x" +
              std::to_string(rect.bottom - rect.top) + "\n");
        return 0;
    }
    if (command == L"log-window") {
        HWND text = log != nullptr ? ::GetWindow(log, GW_CHILD) : nullptr;
        if (text == nullptr) return 1;
        // GetWindowText gives only captions across processes; an edit
        // control's text must be asked for.
        const auto length = ::SendMessageW(text, WM_GETTEXTLENGTH, 0, 0);
        std::wstring content(static_cast<std::size_t>(length) + 1, L'\0');
        content.resize(static_cast<std::size_t>(::SendMessageW(
            text, WM_GETTEXT, content.size(), reinterpret_cast<LPARAM>(content.data()))));
        print(utf8FromWide(content) + "\n");
        return 0;
    }
    if (command == L"save-button") {
        // The common save dialog: its Save button is IDOK.
        HWND box = ownedDialog(dialog);
        if (box == nullptr || !isFileDialog(box)) return 1;
        return printCentre(::GetDlgItem(box, IDOK));
    }
    return 2;
}
