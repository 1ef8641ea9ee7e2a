// The real Site window (controls, presenter, worker thread) on this thread,
// under Wine with an X display (tests/win32/window-test runs it): its
// captions fit and its controls do not overlap in either language, with and
// without the audit's pane, at the smallest size and after a move to a
// monitor of one and a half times the scale; the virtual table takes
// a thousand lines and repaints only the rows that changed and are in view,
// also when the changes come from another thread; it shows every column
// without scrolling sideways at the window's default size in either language,
// a little narrower, and with an audit's eight record columns; those come
// and go between the result and the reason, and the table tells of the line
// the user selects but not of the selection its new lines clear; the jobs
// field reads the word for all as 0 and keeps the last number when given
// something else.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/site_words.h"
#include "platform/utf8.h"
#include "ui/win32/site_window.h"
#include "window_test_support.h"

namespace quelvar::ui::win32 {
namespace {

using platform::Language;
using test_support::NoLauncher;
using test_support::pumpMessages;
using test_support::openSiteWindow;

std::wstring textOf(HWND control) {
    wchar_t text[512] = {};
    ::GetWindowTextW(control, text, 512);
    return text;
}

RECT rectIn(HWND parent, HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// How wide a caption is drawn in the control's own font, without its '&'.
int captionWidth(HWND control) {
    std::wstring shown;
    const std::wstring caption = textOf(control);
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    HDC dc = ::GetDC(control);
    const HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(control, dc);
    return extent.cx;
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// The labels of no size that name the control after them, for screen readers only.
bool isUnseen(HWND control) {
    return IsNameOnly(static_cast<SiteId>(::GetDlgCtrlID(control))) ||
           (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) == 0;
}

bool isGroupBox(HWND control) {
    const int id = ::GetDlgCtrlID(control);
    return id == static_cast<int>(SiteId::TaskGroup) || id == static_cast<int>(SiteId::OptionsGroup);
}

// Every control shown in the client area, none over another (the group
// boxes frame theirs), every caption as wide as its control allows, every
// control in the captions' order.
void expectLaidOut(HWND window, UINT dpi, const std::string& where) {
    RECT client{};
    ::GetClientRect(window, &client);
    std::vector<HWND> controls;
    int expectedId = kSiteFirstId;
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        EXPECT_EQ(::GetDlgCtrlID(child), expectedId++) << where << ": tab order";
        controls.push_back(child);
    }
    EXPECT_EQ(expectedId, kSiteLastId + 1) << where;

    for (HWND control : controls) {
        if (isUnseen(control)) continue;
        const int id = ::GetDlgCtrlID(control);
        const RECT r = rectIn(window, control);
        const std::string name = where + ": control " + std::to_string(id);
        EXPECT_GE(r.left, 0) << name;
        EXPECT_GE(r.top, 0) << name;
        EXPECT_LE(r.right, client.right) << name;
        EXPECT_LE(r.bottom, client.bottom) << name;
        EXPECT_GT(r.right - r.left, 0) << name;
        EXPECT_GT(r.bottom - r.top, 0) << name;

        wchar_t className[32] = {};
        ::GetClassNameW(control, className, 32);
        const bool caption = (::lstrcmpiW(className, WC_BUTTONW) == 0 && !isGroupBox(control)) ||
                             (::lstrcmpiW(className, WC_STATICW) == 0 &&
                              id != static_cast<int>(SiteId::Status));
        if (caption) {
            const auto style = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
            const bool marked = ::lstrcmpiW(className, WC_BUTTONW) == 0 &&
                                (style == BS_AUTORADIOBUTTON || style == BS_AUTOCHECKBOX);
            // The mark and its gap to the text, as the button draws them:
            // 13 and 5 pixels at 96 DPI.
            const int room = r.right - r.left - (marked ? ::MulDiv(18, static_cast<int>(dpi), 96) : 0);
            EXPECT_LE(captionWidth(control), room)
                << name << " clips \"" << platform::utf8FromWide(textOf(control)) << "\"";
        }
        if (isGroupBox(control)) continue;
        for (HWND other : controls) {
            if (other == control || isGroupBox(other) || isUnseen(other)) continue;
            RECT overlap{};
            const RECT o = rectIn(window, other);
            EXPECT_FALSE(::IntersectRect(&overlap, &r, &o))
                << name << " overlaps control " << ::GetDlgCtrlID(other);
        }
    }
}

void chooseTask(SiteWindow& window, app::SiteTask task) {
    app::SiteForm form = window.form();
    form.task = task;
    window.setForm(form);
    pumpMessages();
}

// The audit's pane shown between the buttons and the table, or hidden.
void expectAuditPane(HWND window, bool shown, const std::string& where) {
    HWND pane = ::GetDlgItem(window, static_cast<int>(SiteId::AuditPane));
    ASSERT_NE(pane, nullptr) << where;
    EXPECT_EQ(::IsWindowVisible(pane) != FALSE, shown) << where;
    if (!shown) return;
    const RECT r = rectIn(window, pane);
    EXPECT_GE(r.top, rectIn(window, ::GetDlgItem(window, static_cast<int>(SiteId::Close))).bottom)
        << where;
    EXPECT_LE(r.bottom, rectIn(window, ::GetDlgItem(window, static_cast<int>(SiteId::Lines))).top)
        << where;
}

int fontHeight(HFONT font) {
    LOGFONTW logFont{};
    ::GetObjectW(font, sizeof logFont, &logFont);
    return std::abs(logFont.lfHeight);
}

TEST(SiteWindowTest, CaptionsFitWithoutOverlapInBothLanguagesAndAtOneAndAHalfTimesTheScale) {
    for (Language language : {Language::English, Language::Japanese}) {
        const std::string name = language == Language::English ? "English" : "Japanese";
        NoLauncher launcher;
        SiteWindow window(language, L"QUELVARinit", launcher);
        openSiteWindow(window);
        HWND handle = window.handle();
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(platform::utf8FromWide(textOf(handle)),
                  app::SiteText(app::SiteWord::Title, language));
        expectLaidOut(handle, window.dpi(), name);
        expectAuditPane(handle, false, name);
        chooseTask(window, app::SiteTask::Audit);
        expectLaidOut(handle, window.dpi(), name + " auditing");
        expectAuditPane(handle, true, name + " auditing");

        // At the smallest size without the pane, which the window then grows
        // to hold: four tasks on a row, the widest labels of each task.
        // Moved to a monitor at 150 %: the rectangle Windows proposes, a font
        // made for it, and the layout again, the pane shown. From a little
        // over the smallest size, so that it still fits on the test's screen
        // at the new scale.
        chooseTask(window, app::SiteTask::Commission);
        expectAuditPane(handle, false, name + " back to commissioning");
        ::SetWindowPos(handle, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
        expectLaidOut(handle, window.dpi(), name + " at its smallest");
        chooseTask(window, app::SiteTask::Audit);
        expectLaidOut(handle, window.dpi(), name + " at its smallest, auditing");
        expectAuditPane(handle, true, name + " at its smallest, auditing");
        RECT smallest{};
        ::GetWindowRect(handle, &smallest);
        ::SetWindowPos(handle, nullptr, 0, 0, (smallest.right - smallest.left) * 11 / 10,
                       (smallest.bottom - smallest.top) * 11 / 10, SWP_NOZORDER | SWP_NOACTIVATE);
        const UINT before = window.dpi();
        const int fontBefore = fontHeight(window.font());
        RECT was{};
        ::GetWindowRect(handle, &was);
        const UINT after = before * 3 / 2;
        RECT suggested{was.left, was.top, was.left + 3 * (was.right - was.left) / 2,
                       was.top + 3 * (was.bottom - was.top) / 2};
        ::SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(after, after),
                       reinterpret_cast<LPARAM>(&suggested));
        pumpMessages();
        RECT now{};
        ::GetWindowRect(handle, &now);
        EXPECT_TRUE(::EqualRect(&now, &suggested))
            << name << ": at " << rectText(now) << ", suggested " << rectText(suggested);
        EXPECT_EQ(window.dpi(), after) << name;
        EXPECT_NEAR(fontHeight(window.font()), 3 * fontBefore / 2, 2) << name << ": font not remade";
        for (HWND child = ::GetWindow(handle, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (::GetDlgCtrlID(child) == static_cast<int>(SiteId::JobsSpin)) continue;  // no text
            EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)), window.font())
                << name << ": control " << ::GetDlgCtrlID(child) << " kept the old font";
        }
        expectLaidOut(handle, window.dpi(), name + " at 150 %");
        expectAuditPane(handle, true, name + " at 150 %");
    }
}

app::SiteLine lineFor(int index) {
    app::SiteLine line;
    line.mac = "02-00-5E-10-" + std::to_string(10 + index / 100) + "-" + std::to_string(10 + index % 90);
    line.before = "127.0.0." + std::to_string(2 + index % 200);
    line.step = "waiting";
    return line;
}

std::wstring cellText(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

TEST(SiteWindowTest, TheTableTakesAThousandLinesAndRepaintsOnlyChangedRowsInView) {
    NoLauncher launcher;
    SiteWindow window(Language::English, L"QUELVARinit", launcher);
    openSiteWindow(window);
    HWND list = ::GetDlgItem(window.handle(), static_cast<int>(SiteId::Lines));
    ASSERT_NE(list, nullptr);
    Win32SiteView view(window);

    std::vector<app::SiteLine> lines;
    for (int i = 0; i < 1000; ++i) lines.push_back(lineFor(i));
    view.showLines(lines);
    ASSERT_EQ(ListView_GetItemCount(list), 1000);
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 999, 0)), lines[999].mac);
    ::UpdateWindow(list);  // nothing left to paint

    // A row in view, one far below, and one unchanged: only the first waits
    // to be painted.
    app::SiteLine running = lines[2];
    running.step = "set IP address";
    running.progress = 40;
    running.look = app::LineLook::Running;
    app::SiteLine failed = lines[900];
    failed.result = "failed";
    failed.look = app::LineLook::Failed;
    view.updateLines({{2, running}, {900, failed}, {5, lines[5]}});
    RECT dirty{};
    ASSERT_TRUE(::GetUpdateRect(list, &dirty, FALSE));
    RECT row{};
    ListView_GetItemRect(list, 2, &row, LVIR_BOUNDS);
    // The row fits the list's width: the scroll bar the thousand lines
    // brought leaves no column under it.
    RECT client{};
    ::GetClientRect(list, &client);
    EXPECT_LE(row.right, client.right);
    EXPECT_TRUE(::EqualRect(&dirty, &row)) << rectText(dirty) << " to paint, row 2 at " << rectText(row);
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 2, 4)), "set IP address");
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 2, 5)), "40 %");
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 900, 6)), "failed");

    // From another thread, as a run sends them, carried to the window's.
    app::SiteLine passed = failed;
    passed.result = "passed";
    passed.look = app::LineLook::Passed;
    std::thread worker([&] { view.updateLines({{900, passed}}); });
    for (int round = 0; round < 500 && !(window.table().lines()[900] == passed); ++round) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pumpMessages();
    }
    worker.join();
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 900, 6)), "passed");
}

int columnsWidth(HWND list) {
    int total = 0;
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    for (int column = 0; column < columns; ++column) {
        total += ListView_GetColumnWidth(list, column);
    }
    return total;
}

void resizeWindow(HWND window, int width, int height) {
    ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pumpMessages();
}

TEST(SiteWindowTest, TheTableShowsEveryColumnWithoutScrollingSidewaysInBothLanguages) {
    constexpr int kFile = 3;
    for (Language language : {Language::English, Language::Japanese}) {
        const std::string name = language == Language::English ? "English" : "Japanese";
        NoLauncher launcher;
        SiteWindow window(language, L"QUELVARinit", launcher);
        openSiteWindow(window);
        HWND handle = window.handle();
        HWND list = ::GetDlgItem(handle, static_cast<int>(SiteId::Lines));
        ASSERT_NE(list, nullptr);
        Win32SiteView view(window);
        // More lines than the table shows: its vertical scroll bar takes room too.
        std::vector<app::SiteLine> lines;
        for (int i = 0; i < 100; ++i) lines.push_back(lineFor(i));
        view.showLines(lines);
        pumpMessages();

        const int least = ::MulDiv(110, static_cast<int>(window.dpi()), 96);
        auto expectFits = [&](const std::string& where) {
            RECT client{};
            ::GetClientRect(list, &client);
            EXPECT_LE(columnsWidth(list), client.right) << where;
            // Half that beside an audit's record columns.
            const int reasonLeast = window.table().reasonColumn() == SiteTable::kBaseColumnCount - 1
                                        ? least
                                        : least / 2;
            EXPECT_GE(ListView_GetColumnWidth(list, window.table().reasonColumn()), reasonLeast)
                << where;
            EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL, 0)
                << where << ": the list scrolls sideways";
        };
        expectFits(name + " at the default size");
        RECT initial{};
        ::GetWindowRect(handle, &initial);
        const int width = initial.right - initial.left;
        const int height = initial.bottom - initial.top;
        const int fileWidth = ListView_GetColumnWidth(list, kFile);

        // A little narrower: the file, the step and the result give up width
        // rather than the reason, or the list scroll sideways.
        resizeWindow(handle, width - ::MulDiv(60, static_cast<int>(window.dpi()), 96), height);
        expectFits(name + " a little narrower");

        // Back at the default size they have their widths again; and a width
        // the user dragged a column to stays when the window is resized.
        resizeWindow(handle, width, height);
        expectFits(name + " at the default size again");
        EXPECT_EQ(ListView_GetColumnWidth(list, kFile), fileWidth) << name;

        // An audit's eight records beside them, under its pane: the progress
        // bar gives up its room too.
        chooseTask(window, app::SiteTask::Audit);
        view.showRecordColumns({"0", "2", "3", "4", "5", "6", "7", "8"});
        expectFits(name + " with eight record columns");
        view.showRecordColumns({});
        chooseTask(window, app::SiteTask::Commission);
        EXPECT_EQ(ListView_GetColumnWidth(list, kFile), fileWidth) << name;
        const int dragged = fileWidth + 7;
        ListView_SetColumnWidth(list, kFile, dragged);
        resizeWindow(handle, width + 40, height);
        EXPECT_EQ(ListView_GetColumnWidth(list, kFile), dragged) << name;
        resizeWindow(handle, width - 40, height);
        EXPECT_EQ(ListView_GetColumnWidth(list, kFile), dragged) << name;
    }
}

std::wstring columnTitle(HWND list, int column) {
    wchar_t title[64] = {};
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = title;
    header.cchTextMax = 64;
    ListView_GetColumn(list, column, &header);
    return title;
}

TEST(SiteWindowTest, AnAuditsRecordColumnsComeBeforeTheReasonAndTheLineSelectedFillsThePane) {
    NoLauncher launcher;
    SiteWindow window(Language::English, L"QUELVARinit", launcher);
    openSiteWindow(window);
    HWND list = ::GetDlgItem(window.handle(), static_cast<int>(SiteId::Lines));
    HWND pane = ::GetDlgItem(window.handle(), static_cast<int>(SiteId::AuditPane));
    Win32SiteView view(window);
    chooseTask(window, app::SiteTask::Audit);

    view.showRecordColumns({"0", "2", "+9"});
    std::vector<app::SiteLine> lines{lineFor(0), lineFor(1), lineFor(2)};
    lines[0].records = {"=", "\u2260", "+"};
    lines[0].reason = "differs";
    lines[1].records = {"\u2248"};  // not all read yet
    view.showLines(lines);
    ASSERT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 11);
    EXPECT_EQ(platform::utf8FromWide(columnTitle(list, 6)),
              app::SiteText(app::SiteWord::ColumnResult, Language::English));
    EXPECT_EQ(platform::utf8FromWide(columnTitle(list, 9)), "+9");
    EXPECT_EQ(platform::utf8FromWide(columnTitle(list, 10)),
              app::SiteText(app::SiteWord::ColumnReason, Language::English));
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 0, 8)), "\u2260");
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 0, 10)), "differs");
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 1, 7)), "\u2248");
    EXPECT_EQ(cellText(list, 1, 8), L"");
    // A few records fit beside the other columns without scrolling sideways.
    RECT client{};
    ::GetClientRect(list, &client);
    EXPECT_LE(columnsWidth(list), client.right);

    // The presenter hears of each line the user selects, once, and answers
    // with the pane's text from inside, on this thread: a legend taller than
    // the pane, then the module's lines, which come to the pane's top.
    std::string legend;
    for (int i = 0; i < 12; ++i) legend += "legend " + std::to_string(i) + "\n";
    std::vector<std::optional<std::size_t>> told;
    window.table().onSelectionChanged([&](std::optional<std::size_t> line) {
        told.push_back(line);
        view.showAudit(legend + (line ? "line " + std::to_string(*line) + "\nbytes" : ""));
    });
    view.showAudit(legend);
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(platform::utf8FromWide(textOf(pane)).substr(legend.size() + 12), "line 1\r\nbytes");
    // As near the top as the pane scrolls: the last lines at its foot.
    const auto top = ::SendMessageW(pane, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GT(top, 6);
    EXPECT_LE(top, 12);
    // The same text again leaves the reader where he scrolled to.
    ::SendMessageW(pane, EM_LINESCROLL, 0, -3);
    view.showAudit(legend + "line 1\nbytes");
    EXPECT_EQ(::SendMessageW(pane, EM_GETFIRSTVISIBLELINE, 0, 0), top - 3);
    ListView_SetItemState(list, 1, 0, LVIS_FOCUSED);
    ListView_SetItemState(list, 1, 0, LVIS_SELECTED);
    EXPECT_EQ(::GetWindowTextLengthW(pane), static_cast<int>(legend.size() + 12));
    // New lines clear the selection without a word: the presenter that
    // shows them knows.
    ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    view.showLines(lines);
    EXPECT_EQ(ListView_GetSelectedCount(list), 0u);
    EXPECT_EQ(told, (std::vector<std::optional<std::size_t>>{1, std::nullopt, 2}));

    // Another task: the columns go, the reason is next to the result again.
    view.showRecordColumns({});
    ASSERT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 8);
    EXPECT_EQ(platform::utf8FromWide(cellText(list, 0, 7)), "differs");
}

TEST(SiteWindowTest, TheJobsFieldReadsTheWordForAllAsNoneAndKeepsTheLastNumberOverAnythingElse) {
    NoLauncher launcher;
    SiteWindow window(Language::Japanese, L"QUELVARinit", launcher);
    openSiteWindow(window);
    HWND jobs = ::GetDlgItem(window.handle(), static_cast<int>(SiteId::Jobs));

    app::SiteForm form = window.form();
    form.jobs = 0;
    window.setForm(form);
    EXPECT_EQ(platform::utf8FromWide(textOf(jobs)),
              app::SiteText(app::SiteWord::JobsAll, Language::Japanese));
    EXPECT_EQ(window.form().jobs, 0);

    // One step up from all, the up arrow in the field, is one module at a
    // time; and one down again is all.
    ::SendMessageW(jobs, WM_KEYDOWN, VK_UP, 0);
    ::SendMessageW(jobs, WM_KEYUP, VK_UP, 0);
    EXPECT_EQ(platform::utf8FromWide(textOf(jobs)), "1");
    ::SendMessageW(jobs, WM_KEYDOWN, VK_DOWN, 0);
    ::SendMessageW(jobs, WM_KEYUP, VK_DOWN, 0);
    EXPECT_EQ(window.form().jobs, 0);

    ::SetWindowTextW(jobs, L"12");
    EXPECT_EQ(window.form().jobs, 12);
    ::SetWindowTextW(jobs, L"twelve");
    EXPECT_EQ(window.form().jobs, 12);
    ::SetWindowTextW(jobs, L"5000");
    EXPECT_EQ(window.form().jobs, 1024);
}

}  // namespace
}  // namespace quelvar::ui::win32
