#pragma once

#include <windows.h>

#include <array>

#include "ui/win32/site_window_ids.h"

namespace quelvar::ui::win32 {

inline constexpr int kSiteControlCount = kSiteLastId - kSiteFirstId + 1;

inline constexpr std::size_t SiteIndex(SiteId id) {
    return static_cast<std::size_t>(static_cast<int>(id) - kSiteFirstId);
}

// What the Site window's layout depends on: the DPI, the font's line height
// and how wide each caption is drawn in that font (0 for a control without
// one; for the source and resume labels, the widest of their captions; for
// the range and resume fields, their hints).
struct SiteMetrics {
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    int lineHeight = 13;
    std::array<int, kSiteControlCount> textWidth{};
};

struct SiteLayout {
    std::array<RECT, kSiteControlCount> rects{};
    SIZE minimumClient{};  // below this the captions would no longer fit

    const RECT& operator[](SiteId id) const { return rects[SiteIndex(id)]; }
};

// Where each control goes in a client area of the given size: the task and
// its source at the top, the options below, the buttons, with `auditPane`
// the audit's pane under them, then the table, which takes whatever height
// is left, then the status line and the notes. Without the pane, its
// rectangle (and its name's) is empty and it takes no room. Every length is
// measured from the font or scaled from 96 DPI, so the captions fit in
// either language at any scale. A client area smaller than the minimum is
// laid out at the minimum.
SiteLayout LayOutSite(const SiteMetrics& metrics, int clientWidth, int clientHeight,
                      bool auditPane);

// The client size the window opens at, for the DPI of the metrics. With the
// audit's pane, the table shows fewer rows in it: a taller window would not
// fit on a screen 768 pixels high.
SIZE SiteDefaultClient(const SiteMetrics& metrics);

}  // namespace quelvar::ui::win32
