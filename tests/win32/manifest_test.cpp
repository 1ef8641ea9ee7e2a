// The manifest of the window's program, as Windows reads it when it starts
// the program. This test program carries the window's resources, manifest
// included, so its own activation context is the window's.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

std::wstring manifestSetting(const wchar_t* settingsNamespace, const wchar_t* name) {
    wchar_t value[256] = {};
    SIZE_T written = 0;
    if (!::QueryActCtxSettingsW(0, nullptr, settingsNamespace, name, value, 256, &written)) {
        return L"(none)";
    }
    return value;
}

TEST(WindowManifest, DeclaresPerMonitorDpiAwarenessWithTheOlderFallback) {
    // Windows 10 1703 and later take the first they know of the list; 8.1
    // reads only the older element ("true/pm": per monitor), 7 takes any
    // value of it as system-wide awareness.
    EXPECT_EQ(
        manifestSetting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
        L"PerMonitorV2, PerMonitor");
    EXPECT_EQ(
        manifestSetting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
        L"true/pm");
}

}  // namespace
