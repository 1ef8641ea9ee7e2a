#pragma once
// What the tests of the real Win32 windows share: a launcher that starts
// nothing, the message pump the tests turn by hand on the window's thread,
// and a Site window opened the way the program opens it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/launcher.h"
#include "ui/win32/site_window.h"

namespace quelvar::ui::win32::test_support {

// Telnet and the browser are never started from a test.
class NoLauncher : public platform::Launcher {
  public:
    platform::StartResult startTelnet(const std::string&, int) override {
        return platform::StartResult::NotFound;
    }
    void openUrl(const std::string&) override {}
};

// Everything the thread's queue holds now, dispatched; returns at once when empty.
inline void pumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// The Site window made, and the presenter's first handler (run on the
// worker) done with it. Bounded: the handler only fills the form in.
inline void openSiteWindow(SiteWindow& window) {
    ASSERT_TRUE(window.create(::GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE));
    for (int round = 0; round < 500 && window.handlerRunning(); ++round) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pumpMessages();
    }
    ASSERT_FALSE(window.handlerRunning());
    pumpMessages();
}

}  // namespace quelvar::ui::win32::test_support
