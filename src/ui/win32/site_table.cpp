#include "ui/win32/site_table.h"

#include <algorithm>

#include "app/site_words.h"
#include "platform/utf8.h"
#include "ui/win32/dpi.h"

namespace quelvar::ui::win32 {

using app::LineLook;
using app::SiteWord;

namespace {

// Widths at 96 DPI: a MAC, two addresses, a file name, a step, the bar, the
// result; the reason takes the rest, and never less than half of its own.
constexpr std::array<int, SiteTable::kColumnCount> kColumnWidths{120, 105, 105, 130, 90, 90, 70, 220};

COLORREF background(LineLook look) {
    switch (look) {
        case LineLook::Failed: return RGB(255, 205, 210);
        case LineLook::Stopped: return RGB(255, 224, 160);
        default: return ::GetSysColor(COLOR_WINDOW);
    }
}

COLORREF barColour(LineLook look) {
    switch (look) {
        case LineLook::Passed: return RGB(46, 160, 67);
        case LineLook::Failed: return RGB(200, 40, 40);
        case LineLook::Stopped: return RGB(220, 140, 0);
        default: return ::GetSysColor(COLOR_HIGHLIGHT);
    }
}

}  // namespace

HWND SiteTable::create(HWND parent, HINSTANCE instance, int id, platform::Language language) {
    list_ = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_OWNERDATA |
            LVS_SHOWSELALWAYS,
        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (list_ == nullptr) return nullptr;
    // Double buffered: a run repaints rows ten times a second without flicker.
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                                 LVS_EX_GRIDLINES | LVS_EX_LABELTIP);
    for (int column = 0; column < kColumnCount; ++column) {
        const auto word = static_cast<SiteWord>(static_cast<int>(SiteWord::ColumnMac) + column);
        std::wstring title = platform::wideFromUtf8(app::SiteText(word, language));
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        header.fmt = column == kProgressColumn ? LVCFMT_CENTER : LVCFMT_LEFT;
        header.cx = kColumnWidths[static_cast<std::size_t>(column)];
        header.pszText = title.data();
        header.iSubItem = column;
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                       reinterpret_cast<LPARAM>(&header));
    }
    fitted_ = narrowest_ = given_ = kColumnWidths;
    return list_;
}

void SiteTable::fitColumns(UINT dpi) {
    if (list_ == nullptr) return;
    dpi_ = dpi;
    // What the widest value of each column looks like; the file, the step
    // and the result have no such bound and keep a share of 96-DPI pixels.
    const std::array<const wchar_t*, kColumnCount> widest{
        L"DD-DD-DD-DD-DD-DD", L"255.255.255.255", L"255.255.255.255", nullptr,
        nullptr, L"100 %", nullptr, nullptr};
    const int padding = ScaleForDpi(16, dpi);
    for (int column = 0; column + 1 < kColumnCount; ++column) {
        const auto index = static_cast<std::size_t>(column);
        wchar_t title[128] = {};
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT;
        header.pszText = title;
        header.cchTextMax = 128;
        ListView_GetColumn(list_, column, &header);
        const int titleWidth = ListView_GetStringWidth(list_, title) + padding;
        int width = titleWidth;
        if (widest[index] != nullptr) {
            width = std::max(width, ListView_GetStringWidth(list_, widest[index]) + padding);
        } else {
            width = std::max(width, ScaleForDpi(kColumnWidths[index], dpi));
        }
        if (column == kProgressColumn) width += ScaleForDpi(40, dpi);  // room for the bar
        fitted_[index] = width;
        // A column without a widest value may be narrowed to its title when
        // the list is short of room; what it cuts off shows in a tip.
        narrowest_[index] = widest[index] != nullptr ? width : titleWidth;
        given_[index] = width;
        ListView_SetColumnWidth(list_, column, width);
    }
    fitLastColumn();
}

void SiteTable::fitLastColumn() {
    if (list_ == nullptr) return;
    RECT client{};
    ::GetClientRect(list_, &client);
    const int least = ScaleForDpi(kColumnWidths.back() / 2, dpi_);

    // Each column at its fitted width, and what it can spare. A column whose
    // width is not the one last given here was dragged by the user: it keeps
    // his width, spares nothing, and is left alone from then on.
    Widths widths{};
    Widths spare{};
    std::array<bool, kColumnCount> ours{};
    int total = least;
    int spareTotal = 0;
    for (int column = 0; column + 1 < kColumnCount; ++column) {
        const auto index = static_cast<std::size_t>(column);
        const int current = ListView_GetColumnWidth(list_, column);
        ours[index] = current == given_[index];
        widths[index] = ours[index] ? fitted_[index] : current;
        spare[index] = ours[index] ? fitted_[index] - narrowest_[index] : 0;
        total += widths[index];
        spareTotal += spare[index];
    }

    // Too wide for the list: the columns that can spare width give up the
    // excess in proportion to what they can, the last of them what rounding
    // left over, so that the reason keeps its least without the list
    // scrolling sideways. A wider list gives them their widths back.
    int excess = std::clamp(total - static_cast<int>(client.right), 0, spareTotal);
    for (std::size_t index = 0; index + 1 < kColumnCount && excess > 0; ++index) {
        if (spare[index] == 0) continue;
        const int cut = std::min(spare[index], ::MulDiv(excess, spare[index], spareTotal));
        widths[index] -= cut;
        excess -= cut;
        spareTotal -= spare[index];
    }

    int others = 0;
    for (int column = 0; column + 1 < kColumnCount; ++column) {
        const auto index = static_cast<std::size_t>(column);
        others += widths[index];
        if (!ours[index] || widths[index] == given_[index]) continue;
        ListView_SetColumnWidth(list_, column, widths[index]);
        given_[index] = widths[index];
    }
    ListView_SetColumnWidth(list_, kColumnCount - 1, std::max<int>(least, client.right - others));
}

SiteTable::Cells SiteTable::cellsOf(const app::SiteLine& line) {
    using platform::wideFromUtf8;
    Cells cells{wideFromUtf8(line.mac),  wideFromUtf8(line.before), wideFromUtf8(line.after),
                wideFromUtf8(line.file), wideFromUtf8(line.step),   std::wstring(),
                wideFromUtf8(line.result), wideFromUtf8(line.reason)};
    // The bar carries no text of its own; the figure is there for copying and
    // for screen readers, which read the cell's text.
    if (line.look != LineLook::Waiting) {
        cells[kProgressColumn] = std::to_wstring(std::clamp(line.progress, 0, 100)) + L" %";
    }
    return cells;
}

void SiteTable::showLines(const std::vector<app::SiteLine>& lines) {
    lines_ = lines;
    cells_.clear();
    cells_.reserve(lines_.size());
    for (const app::SiteLine& line : lines_) cells_.push_back(cellsOf(line));
    if (list_ == nullptr) return;
    // The selection and scrolling of the old table mean nothing for the new one.
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(lines_.size()), 0);
    // A vertical scroll bar may have come or gone with the count.
    fitLastColumn();
    if (!lines_.empty()) ListView_EnsureVisible(list_, 0, FALSE);
    ::InvalidateRect(list_, nullptr, TRUE);
}

void SiteTable::updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed) {
    if (changed.empty()) return;
    const int top = list_ != nullptr ? ListView_GetTopIndex(list_) : 0;
    const int bottom = list_ != nullptr ? top + ListView_GetCountPerPage(list_) + 1 : -1;
    for (const auto& [index, line] : changed) {
        if (index >= lines_.size() || lines_[index] == line) continue;
        lines_[index] = line;
        cells_[index] = cellsOf(line);
        // A row out of view is asked for again when it scrolls in; one in
        // view is repainted alone, not the rows around it.
        const int row = static_cast<int>(index);
        if (row < top || row > bottom) continue;
        RECT bounds{};
        if (ListView_GetItemRect(list_, row, &bounds, LVIR_BOUNDS)) {
            ::InvalidateRect(list_, &bounds, FALSE);
        }
    }
}

bool SiteTable::onNotify(const NMHDR& header, LRESULT& result) {
    if (list_ == nullptr || header.hwndFrom != list_) return false;
    switch (header.code) {
        case LVN_GETDISPINFOW:
            fillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
            result = 0;
            return true;
        case NM_CUSTOMDRAW:
            result = customDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
            return true;
        default:
            return false;
    }
}

void SiteTable::fillDisplayInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
    const auto line = static_cast<std::size_t>(item.iItem);
    if (item.iItem < 0 || line >= cells_.size() || item.iSubItem < 0 ||
        item.iSubItem >= kColumnCount) {
        item.pszText[0] = L'\0';
        return;
    }
    const std::wstring& text = cells_[line][static_cast<std::size_t>(item.iSubItem)];
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    text.copy(item.pszText, length);
    item.pszText[length] = L'\0';
}

LRESULT SiteTable::customDraw(NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const auto index = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
            if (index >= lines_.size()) return CDRF_DODEFAULT;
            const app::SiteLine& line = lines_[index];
            draw.clrText = ::GetSysColor(COLOR_WINDOWTEXT);
            draw.clrTextBk = background(line.look);
            if (draw.iSubItem == kProgressColumn) {
                paintProgress(draw, line);
                return CDRF_SKIPDEFAULT;
            }
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

void SiteTable::paintProgress(const NMLVCUSTOMDRAW& draw, const app::SiteLine& line) const {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    RECT cell{};
    if (!ListView_GetSubItemRect(list_, row, kProgressColumn, LVIR_BOUNDS, &cell)) return;
    HDC dc = draw.nmcd.hdc;
    const bool selected = (ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const COLORREF back = selected ? ::GetSysColor(COLOR_HIGHLIGHT) : background(line.look);
    HBRUSH backBrush = ::CreateSolidBrush(back);
    ::FillRect(dc, &cell, backBrush);
    ::DeleteObject(backBrush);
    if (line.look == LineLook::Waiting) return;

    // A framed bar, filled to the line's progress, and the figure beside it
    // where it stays readable whatever the bar's colour.
    const std::wstring& figure = cells_[static_cast<std::size_t>(row)][kProgressColumn];
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, L"100 %", 5, &extent);
    const int inset = ScaleForDpi(3, dpi_);
    RECT text{cell.right - inset - extent.cx, cell.top, cell.right - inset, cell.bottom};
    const int barHeight = std::min<int>(cell.bottom - cell.top - 2 * inset, extent.cy);
    const int barTop = cell.top + (cell.bottom - cell.top - barHeight) / 2;
    RECT bar{cell.left + inset, barTop, text.left - inset, barTop + barHeight};
    if (bar.right > bar.left && bar.bottom > bar.top) {
        HBRUSH frame = ::CreateSolidBrush(::GetSysColor(COLOR_BTNSHADOW));
        HBRUSH empty = ::CreateSolidBrush(::GetSysColor(COLOR_WINDOW));
        HBRUSH filled = ::CreateSolidBrush(barColour(line.look));
        ::FillRect(dc, &bar, empty);
        RECT done = bar;
        done.right = bar.left + ::MulDiv(bar.right - bar.left, std::clamp(line.progress, 0, 100), 100);
        ::FillRect(dc, &done, filled);
        ::FrameRect(dc, &bar, frame);
        ::DeleteObject(frame);
        ::DeleteObject(empty);
        ::DeleteObject(filled);
    }
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(
        dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    ::DrawTextW(dc, figure.c_str(), static_cast<int>(figure.size()), &text,
                DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

}  // namespace quelvar::ui::win32
