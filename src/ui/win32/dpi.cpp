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

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    // The DPI-aware variant is Windows 10's (1607); before it, the frame of
    // the system DPI is the only one there is.
    using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustForDpi>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, client.cx, client.cy};
    const BOOL adjusted = adjustForDpi != nullptr
                              ? adjustForDpi(&rect, style, FALSE, exStyle, dpi)
                              : ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    if (!adjusted) return client;
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

HFONT CreateMessageFont(UINT dpi) {
    using ParametersForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto parametersForDpi =
        user32Function<ParametersForDpi>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (parametersForDpi != nullptr &&
        parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return ::CreateFontIndirectW(&metrics.lfMessageFont);
    }
    // Older Windows give the font at the system DPI only: scaled from there.
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return nullptr;
    }
    metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight,
                                              static_cast<int>(dpi),
                                              static_cast<int>(systemDpi()));
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace quelvar::ui::win32
