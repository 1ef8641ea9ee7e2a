#include "ui/win32/system_colours.h"

namespace quelvar::ui::win32 {

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void ForwardSysColorChange(HWND window) {
    // Every descendant: a list's header and the address control's fields too.
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
            ::SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
            return TRUE;
        },
        0);
}

}  // namespace quelvar::ui::win32
