#pragma once

#include <windows.h>

namespace quelvar::ui::win32 {

// The DPI at which `window` is shown: that of its monitor where Windows
// tells it (10, version 1607 and later), otherwise the system's.
UINT WindowDpi(HWND window);

// A length given for 96 DPI, at `dpi`.
int ScaleForDpi(int length, UINT dpi);

}  // namespace quelvar::ui::win32
