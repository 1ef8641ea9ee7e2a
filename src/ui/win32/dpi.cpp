#include "ui/win32/dpi.h"

namespace quelvar::ui::win32 {

namespace {

template <typename Function>
Function user32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

UINT systemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT WindowDpi(HWND window) {
    // Looked up at run time: the program also runs on Windows 7.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow != nullptr && window != nullptr ? getDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : systemDpi();
}

bool DialogScaledByWindows(HWND dialog) {
    // Looked up at run time, as above: older Windows have no v2 at all.
    using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    using Equal = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
    static const auto getContext = user32Function<GetContext>("GetWindowDpiAwarenessContext");
    static const auto equal = user32Function<Equal>("AreDpiAwarenessContextsEqual");
    return getContext != nullptr && equal != nullptr &&
           equal(getContext(dialog), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

int ScaleForDpi(int length, UINT dpi) {
    return ::MulDiv(length, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

}  // namespace quelvar::ui::win32
