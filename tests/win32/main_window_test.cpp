// The real main window (template, presenter, worker thread) on this thread,
// under Wine with an X display (tests/win32/window-test runs it): what the
// window's enabled state and activation go through while an operation opens
// a box or a dialog over it.
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

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/control_id.h"
#include "platform/socket.h"
#include "platform/utf8.h"
#include "ui/win32/main_window.h"

namespace quelvar::ui::win32 {
namespace {

using app::ControlId;

class NoLauncher : public platform::Launcher {
  public:
    platform::StartResult startTelnet(const std::string&, int) override {
        return platform::StartResult::NotFound;
    }
    void openUrl(const std::string&) override {}
};

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
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
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

}  // namespace
}  // namespace quelvar::ui::win32
