#pragma once

#include <windows.h>

namespace quelvar::ui::win32 {

// Whether the user has chosen a high-contrast theme: the windows then draw
// in the system's colours only.
bool HighContrastOn();

// Common controls learn of new system colours only when their parent tells
// them: passes a WM_SYSCOLORCHANGE on to every descendant of `window`.
void ForwardSysColorChange(HWND window);

}  // namespace quelvar::ui::win32
