// The real main window (template, presenter, worker thread) on this thread,
// under Wine with an X display (tests/win32/window-test runs it): what the
// window's enabled state and activation go through while an operation opens
// a box or a dialog over it, and how it and the log window follow a move to
// a monitor of another scale.
//
// Windows gives the activation back to a box's owner when the box closes only
// if the box found its owner enabled and disabled it itself. Wine gives it
// back either way, so the order of events is what is checked here: between
// the start of the operation (the window disabled) and the box, the window
// must have been enabled again for the box to take over.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/control_id.h"
#include "platform/socket.h"
#include "platform/utf8.h"
#include "ui/win32/dpi.h"
#include "ui/win32/main_window.h"
#include "window_test_support.h"

namespace quelvar::ui::win32 {
namespace {

using app::ControlId;
using test_support::NoLauncher;

// Records, in order, the window's WM_ENABLE messages and the opening of every
// top-level window it owns, and closes each such box (Esc) once it is shown.
class ModalRecorder {
  public:
    explicit ModalRecorder(HWND window) : window_(window) {
        current_ = this;
        ::SetWindowSubclass(window_, subclassProc, 1, 0);
        hook_ = ::SetWindowsHookExW(WH_CBT, cbtProc, nullptr, ::GetCurrentThreadId());
        timer_ = ::SetTimer(nullptr, 0, 200, closeShownBox);
    }
    ~ModalRecorder() {
        ::KillTimer(nullptr, timer_);
        ::UnhookWindowsHookEx(hook_);
        ::RemoveWindowSubclass(window_, subclassProc, 1);
        current_ = nullptr;
    }
    ModalRecorder(const ModalRecorder&) = delete;
    ModalRecorder& operator=(const ModalRecorder&) = delete;

    std::vector<std::string> events;  // "enabled", "disabled", "box"
    std::vector<std::string> boxTexts;
    std::vector<bool> windowEnabledUnderBox;

  private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR) {
        if (message == WM_ENABLE && current_ != nullptr) {
            current_->events.push_back(wParam ? "enabled" : "disabled");
        }
        return ::DefSubclassProc(window, message, wParam, lParam);
    }

    static LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && current_ != nullptr) {
            const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            if (create->hwndParent == current_->window_ && (create->style & WS_CHILD) == 0) {
                current_->events.push_back("box");
                current_->box_ = reinterpret_cast<HWND>(wParam);
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static void CALLBACK closeShownBox(HWND, UINT, UINT_PTR, DWORD) {
        ModalRecorder* self = current_;
        if (self == nullptr || self->box_ == nullptr || !::IsWindow(self->box_) ||
            !::IsWindowVisible(self->box_)) {
            return;
        }
        wchar_t text[512] = {};
        ::GetDlgItemTextW(self->box_, 0xFFFF, text, 512);  // a message box's text
        self->boxTexts.push_back(platform::utf8FromWide(text));
        self->windowEnabledUnderBox.push_back(::IsWindowEnabled(self->window_) != FALSE);
        ::PostMessageW(self->box_, WM_COMMAND, IDCANCEL, 0);
        self->box_ = nullptr;
    }

    static inline ModalRecorder* current_ = nullptr;
    HWND window_;
    HWND box_ = nullptr;
    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
};

// Reads and dispatches this thread's messages until `done` holds; false when
// `seconds` pass first.
template <typename Done>
bool pumpUntil(Done done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        test_support::pumpMessages();
    }
    return true;
}

class MainWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{
            sizeof controls, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        // As the program's own thread: the folder browser needs COM.
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        platform::initializeSocketLibrary();
    }

    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::filesystem::path(temp) /
                  (L"quelvar-main-window-" + std::to_wstring(::GetCurrentProcessId()));
        std::filesystem::create_directories(folder_);
        window_ = std::make_unique<MainWindow>(platform::Language::English, L"QUELVARinit",
                                               launcher_, folder_ / L"QUELVARinit.exe");
        ASSERT_TRUE(window_->create(::GetModuleHandleW(nullptr)));
        ::ShowWindow(window_->handle(), SW_SHOW);
        ::SetForegroundWindow(window_->handle());
        ASSERT_TRUE(pumpUntil([&] { return ::GetActiveWindow() == window_->handle(); }, 10));
    }

    void TearDown() override {
        window_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // Clicks `button` and waits for its operation to end.
    void runOperation(ControlId button) {
        HWND dialog = window_->handle();
        HWND control = ::GetDlgItem(dialog, static_cast<int>(button));
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<int>(button), BN_CLICKED),
                       reinterpret_cast<LPARAM>(control));
        ASSERT_TRUE(window_->isBusy());
        ASSERT_TRUE(pumpUntil([&] { return !window_->isBusy(); }, 60))
            << "the operation did not end";
    }

    // The box took a window that was enabled: after the operation disabled
    // the window, it was enabled again before the box opened.
    static bool boxFoundItsOwnerEnabled(const std::vector<std::string>& events) {
        bool operationStarted = false;
        bool enabledAgain = false;
        for (const std::string& event : events) {
            if (event == "box") return operationStarted && enabledAgain;
            if (event == "disabled" && !operationStarted) operationStarted = true;
            if (event == "enabled" && operationStarted) enabledAgain = true;
        }
        return false;
    }

    // After the operation the window is enabled, active and has the focus.
    void expectWindowTakesInputAgain() {
        HWND dialog = window_->handle();
        EXPECT_TRUE(::IsWindowEnabled(dialog));
        EXPECT_EQ(::GetActiveWindow(), dialog);
        HWND focus = ::GetFocus();
        EXPECT_TRUE(focus == dialog || ::IsChild(dialog, focus)) << "focus is elsewhere";
    }

    NoLauncher launcher_;
    std::filesystem::path folder_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, TheBoxEndingAnOperationGivesTheWindowBackItsActivation) {
    // A search that finds nothing (no modules in this namespace) ends with "not found.".
    ModalRecorder recorder(window_->handle());
    runOperation(ControlId::Search);

    ASSERT_EQ(recorder.boxTexts, std::vector<std::string>{"not found."});
    EXPECT_TRUE(boxFoundItsOwnerEnabled(recorder.events))
        << "the box opened over a disabled window: " << ::testing::PrintToString(recorder.events);
    EXPECT_EQ(recorder.windowEnabledUnderBox, std::vector<bool>{false})
        << "the window took input under the box";
    EXPECT_EQ(recorder.events.back(), "enabled");
    expectWindowTakesInputAgain();
}

TEST_F(MainWindowTest, TheFolderBrowserGivesTheWindowBackItsActivation) {
    HWND label = ::GetDlgItem(window_->handle(), static_cast<int>(ControlId::RecordFolderLabel));
    wchar_t before[1024] = {};
    ::GetWindowTextW(label, before, 1024);

    ModalRecorder recorder(window_->handle());
    runOperation(ControlId::BrowseFolder);

    ASSERT_EQ(recorder.windowEnabledUnderBox.size(), 1u)
        << "no folder browser opened: " << ::testing::PrintToString(recorder.events);
    EXPECT_TRUE(boxFoundItsOwnerEnabled(recorder.events))
        << "the browser opened over a disabled window: "
        << ::testing::PrintToString(recorder.events);
    EXPECT_FALSE(recorder.windowEnabledUnderBox[0]) << "the window took input under the browser";
    expectWindowTakesInputAgain();
    wchar_t after[1024] = {};
    ::GetWindowTextW(label, after, 1024);
    EXPECT_STREQ(after, before) << "cancelling the browser changed the folder";
}

// The window as Windows makes it for a program that is per-monitor aware v1
// (Windows 8.1, the first Windows 10 versions): Windows tells it of a new
// DPI and proposes a rectangle, but lays nothing out again itself.
class PerMonitorV1WindowTest : public MainWindowTest {
  protected:
    void SetUp() override {
        using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
        const auto setContext = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
        if (setContext == nullptr) GTEST_SKIP() << "no per-thread DPI awareness here";
        // Windows made on this thread meanwhile keep the awareness.
        const DPI_AWARENESS_CONTEXT previous = setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        MainWindowTest::SetUp();
        setContext(previous);
        ASSERT_FALSE(DialogScaledByWindows(window_->handle()));
    }

    // Tells `window` that it is now at `dpi`, with the rectangle Windows
    // proposes there: the one it has, moved and grown by the scale.
    static RECT changeDpi(HWND window, UINT from, UINT to) {
        RECT rect{};
        ::GetWindowRect(window, &rect);
        const RECT suggested{rect.left + 7, rect.top + 5,
                             rect.left + 7 + ::MulDiv(rect.right - rect.left, to, from),
                             rect.top + 5 + ::MulDiv(rect.bottom - rect.top, to, from)};
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(to, to),
                       reinterpret_cast<LPARAM>(&suggested));
        return suggested;
    }

    static SIZE sizeOf(HWND window) {
        RECT rect{};
        ::GetWindowRect(window, &rect);
        return SIZE{rect.right - rect.left, rect.bottom - rect.top};
    }

    // The right edge of the last of the address control's fields, from its left.
    static LONG lastFieldRight(HWND address) {
        RECT control{};
        ::GetWindowRect(address, &control);
        LONG right = 0;
        for (HWND field = ::GetWindow(address, GW_CHILD); field != nullptr;
             field = ::GetWindow(field, GW_HWNDNEXT)) {
            RECT rect{};
            ::GetWindowRect(field, &rect);
            right = std::max(right, rect.right - control.left);
        }
        return right;
    }

    static LONG fontHeight(HWND window) {
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
        return handle != nullptr && ::GetObjectW(handle, sizeof font, &font) == sizeof font
                   ? font.lfHeight
                   : 0;
    }

    // `after` is `before` times to/from, within 5 % (the dialog's units are
    // whole pixels of the font's character size, which does not grow exactly
    // by the scale).
    static void expectScaled(const char* what, LONG before, LONG after, UINT from, UINT to) {
        const double expected = static_cast<double>(before) * to / from;
        EXPECT_NEAR(static_cast<double>(after), expected, expected * 0.05)
            << what << ": " << before << " px at " << from << " DPI";
    }
};

TEST_F(PerMonitorV1WindowTest, AtAnotherDpiTheWindowTakesTheProposedRectangleAndScalesItsControls) {
    HWND dialog = window_->handle();
    HWND search = ::GetDlgItem(dialog, static_cast<int>(ControlId::Search));
    HWND progress = ::GetDlgItem(dialog, static_cast<int>(ControlId::Progress));
    const UINT from = WindowDpi(dialog);
    const UINT to = from * 3 / 2;
    HWND address = ::GetDlgItem(dialog, static_cast<int>(ControlId::IpAddress));
    ::SendMessageW(address, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 10, 200));
    const bool addressEnabled = ::IsWindowEnabled(address) != FALSE;
    const SIZE searchBefore = sizeOf(search);
    const SIZE progressBefore = sizeOf(progress);
    const SIZE addressBefore = sizeOf(address);
    const LONG lastFieldBefore = lastFieldRight(address);
    RECT fileListBefore{};
    ::GetWindowRect(::GetDlgItem(dialog, static_cast<int>(ControlId::FileList)), &fileListBefore);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&fileListBefore), 2);

    const RECT suggested = changeDpi(dialog, from, to);

    RECT now{};
    ::GetWindowRect(dialog, &now);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
    expectScaled("Search width", searchBefore.cx, sizeOf(search).cx, from, to);
    expectScaled("Search height", searchBefore.cy, sizeOf(search).cy, from, to);
    expectScaled("progress bar width", progressBefore.cx, sizeOf(progress).cx, from, to);
    RECT fileList{};
    ::GetWindowRect(::GetDlgItem(dialog, static_cast<int>(ControlId::FileList)), &fileList);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&fileList), 2);
    expectScaled("file list left", fileListBefore.left, fileList.left, from, to);
    // The address control at its new size, its fields laid out across it,
    // holding the same address, in the same state and place in the tab order.
    address = ::GetDlgItem(dialog, static_cast<int>(ControlId::IpAddress));
    ASSERT_NE(address, nullptr);
    expectScaled("address width", addressBefore.cx, sizeOf(address).cx, from, to);
    expectScaled("address's last field", lastFieldBefore, lastFieldRight(address), from, to);
    DWORD octets = 0;
    EXPECT_EQ(::SendMessageW(address, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&octets)), 4);
    EXPECT_EQ(octets, MAKEIPADDRESS(192, 168, 10, 200));
    EXPECT_EQ(::IsWindowEnabled(address) != FALSE, addressEnabled);
    EXPECT_EQ(::GetWindow(address, GW_HWNDNEXT),
              ::GetDlgItem(dialog, static_cast<int>(ControlId::SetIpAddress)));
    // The template's 8 point font at the new DPI, in the window and its controls.
    const LONG height = -::MulDiv(8, static_cast<int>(to), 72);
    EXPECT_EQ(fontHeight(dialog), height);
    EXPECT_EQ(fontHeight(search), height);
    EXPECT_EQ(fontHeight(progress), height);
}

TEST_F(PerMonitorV1WindowTest, AtAnotherDpiTheLogWindowTakesTheProposedRectangleAndScalesItsText) {
    HWND dialog = window_->handle();
    window_->logWindow().show(::GetModuleHandleW(nullptr), platform::Language::English,
                              L"QUELVARinit", dialog);
    HWND log = window_->logWindow().handle();
    ASSERT_NE(log, nullptr);
    HWND text = ::GetWindow(log, GW_CHILD);
    const UINT from = WindowDpi(log);
    const UINT to = from * 3 / 2;
    const LONG heightBefore = fontHeight(text);

    const RECT suggested = changeDpi(log, from, to);

    RECT now{};
    ::GetWindowRect(log, &now);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
    EXPECT_EQ(fontHeight(text),
              ::MulDiv(heightBefore, static_cast<int>(to), static_cast<int>(from)));
    RECT client{};
    ::GetClientRect(log, &client);
    EXPECT_EQ(sizeOf(text).cx, client.right) << "the text no longer fills the window";
}

}  // namespace
}  // namespace quelvar::ui::win32
