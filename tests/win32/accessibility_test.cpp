// Both real windows as a screen reader meets them, through Microsoft Active
// Accessibility (oleacc), in English and Japanese: every control the
// keyboard reaches has a name (its caption without the '&', or its label's)
// and a role that says what it is; the controls without a caption of their
// own (fields, lists, the address control, the Site table) have their label
// as the nearest shown window before them, which is where the system's
// proxies (MSAA's and UI Automation's) take their name from; the table's
// columns have titles and its virtual rows answer every cell's text, also
// rows out of view. And in a high-contrast theme the table keeps to the
// system's colours, its failed and stopped lines told apart by their words.
//
// Wine's oleacc knows less than Windows' (see the README): it names buttons
// by their text and fields by a label before them, but gives every control
// but a field the generic role "client", and names no list. Under Wine those
// answers are let through and the rule the proxies follow is checked on the
// windows themselves; on Windows the same test asks for the real roles.
// Wine never reports a high-contrast theme either: the table is told of one
// by its hook, and the system colours are set to a high-contrast scheme for
// the test's own process, restored after.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/site_words.h"
#include "platform/socket.h"
#include "platform/utf8.h"
#include "ui/win32/main_window.h"
#include "ui/win32/site_window.h"
#include "ui/win32/win32_site_view.h"
#include "window_test_support.h"

namespace quelvar::ui::win32 {
namespace {

using platform::Language;
using platform::utf8FromWide;
using test_support::NoLauncher;
using test_support::pumpMessages;

bool underWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring textOf(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

bool isClass(HWND window, const wchar_t* name) {
    return ::lstrcmpiW(classOf(window).c_str(), name) == 0;
}

LONG buttonType(HWND window) {
    return ::GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
}

bool hasOwnCaption(HWND control) {
    return isClass(control, WC_BUTTONW);
}

// A name as a screen reader says it: no '&', and no colon after a label
// (Wine keeps it, Windows' proxies differ between versions).
std::wstring spoken(std::wstring text) {
    for (std::size_t at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at)) {
        text.erase(at, 1);
    }
    while (!text.empty() &&
           (text.back() == L':' || text.back() == L'\uFF1A' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

// The nearest shown window before `control` among its siblings, which the
// proxies read a captionless control's name from when it is a label.
HWND labelBefore(HWND control) {
    for (HWND before = ::GetWindow(control, GW_HWNDPREV); before != nullptr;
         before = ::GetWindow(before, GW_HWNDPREV)) {
        if ((::GetWindowLongW(before, GWL_STYLE) & WS_VISIBLE) != 0) return before;
    }
    return nullptr;
}

struct Answer {
    bool reached = false;
    std::wstring name;
    LONG role = -1;
};

Answer ask(HWND control) {
    Answer answer;
    IAccessible* accessible = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                            __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&accessible))) ||
        accessible == nullptr) {
        return answer;
    }
    answer.reached = true;
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (accessible->get_accName(self, &name) == S_OK && name != nullptr) answer.name = name;
    if (name != nullptr) ::SysFreeString(name);
    VARIANT role;
    ::VariantInit(&role);
    if (SUCCEEDED(accessible->get_accRole(self, &role)) && role.vt == VT_I4)
        answer.role = role.lVal;
    ::VariantClear(&role);
    accessible->Release();
    return answer;
}

// The role Windows' proxies give the control.
LONG expectedRole(HWND control) {
    if (isClass(control, WC_BUTTONW)) {
        switch (buttonType(control)) {
            case BS_AUTORADIOBUTTON:
            case BS_RADIOBUTTON:
                return ROLE_SYSTEM_RADIOBUTTON;
            case BS_AUTOCHECKBOX:
            case BS_CHECKBOX:
                return ROLE_SYSTEM_CHECKBUTTON;
            default:
                return ROLE_SYSTEM_PUSHBUTTON;
        }
    }
    if (isClass(control, WC_EDITW)) return ROLE_SYSTEM_TEXT;
    if (isClass(control, WC_LISTBOXW) || isClass(control, WC_LISTVIEWW)) return ROLE_SYSTEM_LIST;
    if (isClass(control, PROGRESS_CLASSW)) return ROLE_SYSTEM_PROGRESSBAR;
    return ROLE_SYSTEM_CLIENT;  // the address control: a group of four fields
}

// Wine's oleacc names buttons by their text and fields by their label only.
bool wineNames(HWND control) {
    return isClass(control, WC_BUTTONW) || isClass(control, WC_EDITW);
}

// Every control of `window` the keyboard reaches, as a screen reader meets it.
void expectNamedAndRoled(HWND window, const std::string& where) {
    const bool wine = underWine();
    int reached = 0;
    for (HWND control = ::GetWindow(window, GW_CHILD); control != nullptr;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        const LONG style = ::GetWindowLongW(control, GWL_STYLE);
        if ((style & WS_TABSTOP) == 0 || (style & WS_VISIBLE) == 0) continue;
        ++reached;
        const std::string name = where + ": control " + std::to_string(::GetDlgCtrlID(control)) +
                                 " (" + utf8FromWide(classOf(control)) + ")";
        std::wstring expected;
        if (hasOwnCaption(control)) {
            expected = spoken(textOf(control));
        } else {
            HWND label = labelBefore(control);
            ASSERT_NE(label, nullptr) << name << ": nothing before it names it";
            EXPECT_TRUE(isClass(label, WC_STATICW))
                << name << ": the window before it is a " << utf8FromWide(classOf(label))
                << ", not its label";
            expected = spoken(textOf(label));
        }
        EXPECT_FALSE(expected.empty()) << name << ": no name";

        const Answer answer = ask(control);
        ASSERT_TRUE(answer.reached) << name << ": no accessible object";
        if (!wine || wineNames(control)) {
            EXPECT_EQ(utf8FromWide(spoken(answer.name)), utf8FromWide(expected)) << name;
        }
        const LONG role = expectedRole(control);
        if (wine && role != ROLE_SYSTEM_TEXT) {
            EXPECT_TRUE(answer.role == role || answer.role == ROLE_SYSTEM_CLIENT)
                << name << ": role " << answer.role;
        } else {
            EXPECT_EQ(answer.role, role) << name;
        }
    }
    EXPECT_GT(reached, 5) << where;
}

class AccessibilityTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES |
                                                           ICC_PROGRESS_CLASS |
                                                           ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        ::InitCommonControlsEx(&controls);
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        platform::initializeSocketLibrary();
    }

    NoLauncher launcher_;
};

TEST_F(AccessibilityTest, TheMainWindowsControlsAreNamedByTheirCaptionsOrLabelsInBothLanguages) {
    for (Language language : {Language::English, Language::Japanese}) {
        const std::string where = language == Language::English ? "English" : "Japanese";
        MainWindow window(language, L"QUELVARinit", launcher_, L"C:\\quelvar\\QUELVARinit.exe");
        ASSERT_TRUE(window.create(::GetModuleHandleW(nullptr)));
        ::ShowWindow(window.handle(), SW_SHOWNOACTIVATE);
        pumpMessages();
        expectNamedAndRoled(window.handle(), where);
        // The address control by its label, whatever its four fields hold.
        HWND address = ::GetDlgItem(window.handle(), static_cast<int>(app::ControlId::IpAddress));
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(utf8FromWide(spoken(textOf(labelBefore(address)))), "IP address") << where;
    }
}

std::wstring columnTitle(HWND list, int column) {
    wchar_t title[128] = {};
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = title;
    header.cchTextMax = 128;
    ListView_GetColumn(list, column, &header);
    return title;
}

std::wstring cellText(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
    return text;
}

app::SiteLine lineFor(int index, app::LineLook look, const std::string& result) {
    app::SiteLine line;
    line.mac = "02-00-5E-10-00-" + std::to_string(10 + index % 90);
    line.before = "127.0.0." + std::to_string(2 + index % 200);
    line.after = "127.0.1." + std::to_string(2 + index % 200);
    line.file = "door-" + std::to_string(index) + ".rec";
    line.step = "set IP address";
    line.progress = 40;
    line.result = result;
    line.look = look;
    return line;
}

TEST_F(AccessibilityTest, TheSiteWindowsControlsAreNamedAndItsTableReadableInBothLanguages) {
    for (Language language : {Language::English, Language::Japanese}) {
        const std::string where = language == Language::English ? "English" : "Japanese";
        SiteWindow window(language, L"QUELVARinit", launcher_);
        test_support::openSiteWindow(window);
        HWND handle = window.handle();
        expectNamedAndRoled(handle, where);
        // With the audit's pane shown between the buttons and the table.
        app::SiteForm form = window.form();
        form.task = app::SiteTask::Audit;
        window.setForm(form);
        pumpMessages();
        expectNamedAndRoled(handle, where + " auditing");

        HWND list = ::GetDlgItem(handle, static_cast<int>(SiteId::Lines));
        EXPECT_EQ(utf8FromWide(spoken(textOf(labelBefore(list)))),
                  app::SiteText(app::SiteWord::TableName, language))
            << where;
        const LONG style = ::GetWindowLongW(list, GWL_STYLE);
        EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT) << where;
        EXPECT_EQ(style & LVS_NOCOLUMNHEADER, 0) << where;
        ASSERT_EQ(Header_GetItemCount(ListView_GetHeader(list)), SiteTable::kBaseColumnCount);
        for (int column = 0; column < SiteTable::kBaseColumnCount; ++column) {
            const auto word =
                static_cast<app::SiteWord>(static_cast<int>(app::SiteWord::ColumnMac) + column);
            EXPECT_EQ(utf8FromWide(columnTitle(list, column)), app::SiteText(word, language))
                << where << ": column " << column;
        }

        // A row far out of view answers every cell, as a reader asks for it.
        Win32SiteView view(window);
        std::vector<app::SiteLine> lines;
        for (int i = 0; i < 200; ++i) lines.push_back(lineFor(i, app::LineLook::Passed, "passed"));
        lines[150] = lineFor(150, app::LineLook::Failed, "failed");
        lines[150].reason = "no answer at 127.0.0.152";
        view.showLines(lines);
        pumpMessages();
        ASSERT_LT(ListView_GetTopIndex(list) + ListView_GetCountPerPage(list), 150) << where;
        const std::array<std::string, SiteTable::kBaseColumnCount> expected{
            lines[150].mac, lines[150].before, lines[150].after, lines[150].file, lines[150].step,
            "40 %",         "failed",          lines[150].reason};
        for (int column = 0; column < SiteTable::kBaseColumnCount; ++column) {
            EXPECT_EQ(utf8FromWide(cellText(list, 150, column)),
                      expected[static_cast<std::size_t>(column)])
                << where << ": column " << column;
        }
    }
}

// The colour of a pixel of the cell, past its text.
COLORREF cellColour(HWND list, int row, int column) {
    ::UpdateWindow(list);
    RECT cell{};
    ListView_GetSubItemRect(list, row, column, LVIR_BOUNDS, &cell);
    HDC dc = ::GetDC(list);
    const COLORREF colour = ::GetPixel(dc, cell.right - 6, (cell.top + cell.bottom) / 2);
    ::ReleaseDC(list, dc);
    return colour;
}

// The window as shown, to a .bmp in QUELVAR_SCREENSHOT_DIR when the harness
// asks for one (it makes a .png of it), for a person to look at.
void saveScreenshot(HWND window, const wchar_t* name) {
    const wchar_t* folder = _wgetenv(L"QUELVAR_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == 0) return;
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC source = ::GetWindowDC(window);
    HDC memory = ::CreateCompatibleDC(source);
    HBITMAP bitmap = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        ::DeleteDC(memory);
        ::ReleaseDC(window, source);
        return;
    }
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(height);
    const std::wstring path = std::wstring(folder) + L"\\" + name + L".bmp";
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, 1, stride * static_cast<DWORD>(height), out);
        std::fclose(out);
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, source);
}

// A high-contrast scheme (white on black, as Windows' own) for this test,
// the system's colours as they were given back when it ends.
class HighContrastColours {
  public:
    HighContrastColours() {
        for (std::size_t i = 0; i < kElements.size(); ++i) saved_[i] = ::GetSysColor(kElements[i]);
        const std::array<COLORREF, kElements.size()> scheme{
            RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255),  RGB(0, 0, 0),
            RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255), RGB(63, 242, 63)};
        ::SetSysColors(static_cast<int>(kElements.size()), kElements.data(), scheme.data());
    }
    ~HighContrastColours() {
        ::SetSysColors(static_cast<int>(kElements.size()), kElements.data(), saved_.data());
    }
    HighContrastColours(const HighContrastColours&) = delete;
    HighContrastColours& operator=(const HighContrastColours&) = delete;

  private:
    static constexpr std::array<int, 8> kElements{
        COLOR_WINDOW,  COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
        COLOR_BTNFACE, COLOR_BTNTEXT,    COLOR_BTNSHADOW, COLOR_GRAYTEXT};
    std::array<COLORREF, kElements.size()> saved_{};
};

TEST_F(AccessibilityTest, InHighContrastTheTableKeepsToTheSystemColoursAndItsWordsTellTheResult) {
    SiteWindow window(Language::English, L"QUELVARinit", launcher_);
    test_support::openSiteWindow(window);
    HWND list = ::GetDlgItem(window.handle(), static_cast<int>(SiteId::Lines));
    Win32SiteView view(window);
    view.showLines({lineFor(0, app::LineLook::Passed, "passed"),
                    lineFor(1, app::LineLook::Failed, "failed"),
                    lineFor(2, app::LineLook::Stopped, "stopped")});
    pumpMessages();
    const int reason = window.table().reasonColumn();
    // Outside high contrast the failed and stopped lines are tinted.
    ASSERT_FALSE(window.table().highContrast());  // Wine reports no such theme
    EXPECT_NE(cellColour(list, 1, reason), ::GetSysColor(COLOR_WINDOW));
    EXPECT_NE(cellColour(list, 2, reason), ::GetSysColor(COLOR_WINDOW));

    {
        HighContrastColours colours;
        ::SendMessageW(window.handle(), WM_SYSCOLORCHANGE, 0, 0);
        window.table().followSystemColours(true);
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(cellColour(list, row, reason), ::GetSysColor(COLOR_WINDOW)) << "line " << row;
        }
        // What the tint said, the words say.
        EXPECT_EQ(cellText(list, 1, 6), L"failed");
        EXPECT_EQ(cellText(list, 2, 6), L"stopped");
        saveScreenshot(window.handle(), L"site-high-contrast");

        // The theme switched off while the window is open: it asks again
        // (Wine says no theme) and tints the lines once more.
        ::SendMessageW(window.handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        EXPECT_FALSE(window.table().highContrast());
    }
    ::SendMessageW(window.handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_NE(cellColour(list, 1, reason), ::GetSysColor(COLOR_WINDOW));
}

}  // namespace
}  // namespace quelvar::ui::win32
