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

// The size of a window of these styles whose client area is `client`, its
// frame and caption as thick as they are drawn at `dpi`.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, UINT dpi);

// The font Windows uses for text in message boxes and dialogs (the message
// font of the desktop's settings), at `dpi`; nullptr when it cannot be made.
HFONT CreateMessageFont(UINT dpi);

}  // namespace quelvar::ui::win32
