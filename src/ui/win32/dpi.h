#pragma once

#include <windows.h>

namespace quelvar::ui::win32 {

// The DPI at which `window` is shown: that of its monitor where Windows
// tells it (10, version 1607 and later), otherwise the system's.
UINT WindowDpi(HWND window);

// Whether Windows itself lays `dialog` out again when its DPI changes: so it
// does for a dialog that is per-monitor aware v2 (Windows 10, version 1703
// and later); one that is per-monitor aware v1 must do it on its own.
bool DialogScaledByWindows(HWND dialog);

// A length given for 96 DPI, at `dpi`.
int ScaleForDpi(int length, UINT dpi);

}  // namespace quelvar::ui::win32
