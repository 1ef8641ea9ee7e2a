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
constexpr std::array<int, SiteTable::kBaseColumnCount> kColumnWidths{120, 105, 105, 130,
                                                                     90,  90,  70,  220};
constexpr int kReasonLeast = kColumnWidths.back() / 2;

COLORREF background(LineLook look) {
    switch (look) {
        case LineLook::Failed: return RGB(255, 205, 210);
        case LineLook::Stopped: return RGB(255, 224, 160);
        default: return ::GetSysColor(COLOR_WINDOW);
    }
}

// A record's cell by its sign, whatever the line, in the colours of the
// lines it is like (app::RecordCellLook); a pattern in grey.
COLORREF signBackground(const std::string& sign) {
    switch (app::RecordCellLook(sign)) {
        case app::CellLook::Differs: return background(LineLook::Failed);
        case app::CellLook::Unread: return background(LineLook::Stopped);
        case app::CellLook::Pattern: return RGB(225, 225, 225);
        case app::CellLook::Plain: break;
    }
    return ::GetSysColor(COLOR_WINDOW);
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
    for (int column = 0; column < kBaseColumnCount; ++column) {
        const auto word = static_cast<SiteWord>(static_cast<int>(SiteWord::ColumnMac) + column);
        const std::wstring title = platform::wideFromUtf8(app::SiteText(word, language));
        insertColumn(column, title, column == kProgressColumn ? LVCFMT_CENTER : LVCFMT_LEFT,
                     kColumnWidths[static_cast<std::size_t>(column)]);
        if (column == kBaseColumnCount - 1) reasonTitle_ = title;
    }
    fitted_ = narrowest_ = given_ = Widths(kColumnWidths.begin(), kColumnWidths.end());
    return list_;
}

void SiteTable::insertColumn(int column, const std::wstring& title, int format, int width) {
    std::wstring text = title;
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    header.fmt = format;
    header.cx = width;
    header.pszText = text.data();
    header.iSubItem = column;
    ::SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&header));
}

int SiteTable::recordColumnWidth(const std::wstring& title) const {
    // As wide as its title or a sign, whichever is wider: a dozen records
    // fit beside the other columns.
    return std::max(ListView_GetStringWidth(list_, title.c_str()),
                    ListView_GetStringWidth(list_, L"\u2260")) +
           ScaleForDpi(12, dpi_);
}

void SiteTable::showRecordColumns(const std::vector<std::string>& titles) {
    std::vector<std::wstring> wide;
    for (const std::string& title : titles) wide.push_back(platform::wideFromUtf8(title));
    if (wide == recordTitles_) return;
    recordTitles_ = std::move(wide);
    if (list_ == nullptr) return;

    // The reason goes and comes back last, after the record columns.
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    HWND header = ListView_GetHeader(list_);
    for (int columns = Header_GetItemCount(header); columns > kFirstRecordColumn; --columns) {
        ListView_DeleteColumn(list_, kFirstRecordColumn);
    }
    fitted_.resize(kFirstRecordColumn);
    narrowest_.resize(kFirstRecordColumn);
    given_.resize(kFirstRecordColumn);
    int column = kFirstRecordColumn;
    for (const std::wstring& title : recordTitles_) {
        const int width = recordColumnWidth(title);
        insertColumn(column++, title, LVCFMT_CENTER, width);
        fitted_.push_back(width);
        narrowest_.push_back(width);
        given_.push_back(width);
    }
    insertColumn(column, reasonTitle_, LVCFMT_LEFT, ScaleForDpi(kColumnWidths.back(), dpi_));
    fitted_.push_back(ScaleForDpi(kColumnWidths.back(), dpi_));
    narrowest_.push_back(fitted_.back());
    given_.push_back(fitted_.back());
    fitLastColumn();
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
    ::InvalidateRect(header, nullptr, TRUE);
}

void SiteTable::fitColumns(UINT dpi) {
    if (list_ == nullptr) return;
    dpi_ = dpi;
    // What the widest value of each column looks like; the file, the step
    // and the result have no such bound and keep a share of 96-DPI pixels.
    const std::array<const wchar_t*, kBaseColumnCount> widest{
        L"DD-DD-DD-DD-DD-DD", L"255.255.255.255", L"255.255.255.255", nullptr,
        nullptr, L"100 %", nullptr, nullptr};
    const int padding = ScaleForDpi(16, dpi);
    for (int column = 0; column + 1 < columnCount(); ++column) {
        const auto index = static_cast<std::size_t>(column);
        if (isRecordColumn(column)) {
            const auto record = index - static_cast<std::size_t>(kFirstRecordColumn);
            const int width = recordColumnWidth(recordTitles_[record]);
            fitted_[index] = narrowest_[index] = given_[index] = width;
            ListView_SetColumnWidth(list_, column, width);
            continue;
        }
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
        // A column without a widest value may be narrowed to its title when
        // the list is short of room; what it cuts off shows in a tip. The
        // progress keeps its figure, its bar shortening to what is left.
        narrowest_[index] = widest[index] != nullptr ? width : titleWidth;
        if (column == kProgressColumn) width += ScaleForDpi(40, dpi);  // room for the bar
        fitted_[index] = width;
        given_[index] = width;
        ListView_SetColumnWidth(list_, column, width);
    }
    fitLastColumn();
}

void SiteTable::fitLastColumn() {
    if (list_ == nullptr) return;
    RECT client{};
    ::GetClientRect(list_, &client);
    // Beside an audit's record columns the reason may be narrower: the
    // audit's pane tells the selected line's differences in full.
    const int least = ScaleForDpi(recordTitles_.empty() ? kReasonLeast : kReasonLeast / 2, dpi_);
    const auto count = static_cast<std::size_t>(columnCount());

    // Each column at its fitted width, and what it can spare. A column whose
    // width is not the one last given here was dragged by the user: it keeps
    // his width, spares nothing, and is left alone from then on.
    Widths widths(count);
    Widths spare(count);
    std::vector<bool> ours(count);
    int total = least;
    int spareTotal = 0;
    for (std::size_t index = 0; index + 1 < count; ++index) {
        const int current = ListView_GetColumnWidth(list_, static_cast<int>(index));
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
    for (std::size_t index = 0; index + 1 < count && excess > 0; ++index) {
        if (spare[index] == 0) continue;
        const int cut = std::min(spare[index], ::MulDiv(excess, spare[index], spareTotal));
        widths[index] -= cut;
        excess -= cut;
        spareTotal -= spare[index];
    }

    int others = 0;
    for (std::size_t index = 0; index + 1 < count; ++index) {
        others += widths[index];
        if (!ours[index] || widths[index] == given_[index]) continue;
        ListView_SetColumnWidth(list_, static_cast<int>(index), widths[index]);
        given_[index] = widths[index];
    }
    ListView_SetColumnWidth(list_, reasonColumn(), std::max<int>(least, client.right - others));
}

SiteTable::Cells SiteTable::cellsOf(const app::SiteLine& line) {
    using platform::wideFromUtf8;
    Cells cells{{wideFromUtf8(line.mac), wideFromUtf8(line.before), wideFromUtf8(line.after),
                 wideFromUtf8(line.file), wideFromUtf8(line.step), std::wstring(),
                 wideFromUtf8(line.result), wideFromUtf8(line.reason)},
                {}};
    // The bar carries no text of its own; the figure is there for copying and
    // for screen readers, which read the cell's text.
    if (line.look != LineLook::Waiting) {
        cells.base[kProgressColumn] = std::to_wstring(std::clamp(line.progress, 0, 100)) + L" %";
    }
    for (const std::string& sign : line.records) cells.records.push_back(wideFromUtf8(sign));
    return cells;
}

const std::wstring& SiteTable::cell(std::size_t line, int column) const {
    static const std::wstring none;
    if (line >= cells_.size() || column < 0 || column >= columnCount()) return none;
    const Cells& cells = cells_[line];
    if (column == reasonColumn()) return cells.base[kBaseColumnCount - 1];
    if (!isRecordColumn(column)) return cells.base[static_cast<std::size_t>(column)];
    // A line may have fewer signs than there are columns: not yet read.
    const auto record = static_cast<std::size_t>(column - kFirstRecordColumn);
    return record < cells.records.size() ? cells.records[record] : none;
}

const std::string& SiteTable::recordSign(const app::SiteLine& line, int column) const {
    static const std::string none;
    const auto record = static_cast<std::size_t>(column - kFirstRecordColumn);
    return record < line.records.size() ? line.records[record] : none;
}

void SiteTable::showLines(const std::vector<app::SiteLine>& lines) {
    lines_ = lines;
    cells_.clear();
    cells_.reserve(lines_.size());
    for (const app::SiteLine& line : lines_) cells_.push_back(cellsOf(line));
    if (list_ == nullptr) return;
    // The selection and scrolling of the old table mean nothing for the new one.
    quiet_ = true;
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(lines_.size()), 0);
    quiet_ = false;
    reported_.reset();
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
        case LVN_ITEMCHANGED: {
            // A virtual list tells of a change to every line at once as line -1.
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) != 0 &&
                ((change.uOldState ^ change.uNewState) & (LVIS_SELECTED | LVIS_FOCUSED)) != 0) {
                reportSelection();
            }
            result = 0;
            return true;
        }
        case LVN_ODSTATECHANGED: {  // a range of lines, with Shift
            const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
            if (((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) reportSelection();
            result = 0;
            return true;
        }
        default:
            return false;
    }
}

void SiteTable::fillDisplayInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
    if (item.iItem < 0) {
        item.pszText[0] = L'\0';
        return;
    }
    const std::wstring& text = cell(static_cast<std::size_t>(item.iItem), item.iSubItem);
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
            if (highContrast_) {
                // The theme's colours, the selection's too: the user chose
                // them to be read, and the words carry the meaning.
                const bool selected =
                    (ListView_GetItemState(list_, static_cast<int>(index), LVIS_SELECTED) &
                     LVIS_SELECTED) != 0;
                draw.clrText = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
                draw.clrTextBk = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
            } else {
                draw.clrText = ::GetSysColor(COLOR_WINDOWTEXT);
                draw.clrTextBk = isRecordColumn(draw.iSubItem)
                                     ? signBackground(recordSign(line, draw.iSubItem))
                                     : background(line.look);
            }
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

void SiteTable::followSystemColours(bool highContrast) {
    highContrast_ = highContrast;
    if (list_ == nullptr) return;
    // The list keeps the colours it was made with, also where no line is.
    ListView_SetBkColor(list_, ::GetSysColor(COLOR_WINDOW));
    ListView_SetTextBkColor(list_, ::GetSysColor(COLOR_WINDOW));
    ListView_SetTextColor(list_, ::GetSysColor(COLOR_WINDOWTEXT));
    ::InvalidateRect(list_, nullptr, TRUE);
    ::InvalidateRect(ListView_GetHeader(list_), nullptr, TRUE);
}

void SiteTable::paintProgress(const NMLVCUSTOMDRAW& draw, const app::SiteLine& line) const {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    RECT cell{};
    if (!ListView_GetSubItemRect(list_, row, kProgressColumn, LVIR_BOUNDS, &cell)) return;
    HDC dc = draw.nmcd.hdc;
    const bool selected = (ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const COLORREF back = selected        ? ::GetSysColor(COLOR_HIGHLIGHT)
                          : highContrast_ ? ::GetSysColor(COLOR_WINDOW)
                                          : background(line.look);
    HBRUSH backBrush = ::CreateSolidBrush(back);
    ::FillRect(dc, &cell, backBrush);
    ::DeleteObject(backBrush);
    if (line.look == LineLook::Waiting) return;

    // A framed bar, filled to the line's progress, and the figure beside it
    // where it stays readable whatever the bar's colour.
    const std::wstring& figure = cells_[static_cast<std::size_t>(row)].base[kProgressColumn];
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, L"100 %", 5, &extent);
    const int inset = ScaleForDpi(3, dpi_);
    RECT text{cell.right - inset - extent.cx, cell.top, cell.right - inset, cell.bottom};
    const int barHeight = std::min<int>(cell.bottom - cell.top - 2 * inset, extent.cy);
    const int barTop = cell.top + (cell.bottom - cell.top - barHeight) / 2;
    RECT bar{cell.left + inset, barTop, text.left - inset, barTop + barHeight};
    if (bar.right > bar.left && bar.bottom > bar.top) {
        // In high contrast the bar is the theme's highlight in a frame of its
        // text colour, whatever the result: the Result column says which.
        HBRUSH frame = ::CreateSolidBrush(
            ::GetSysColor(highContrast_ ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW));
        HBRUSH empty = ::CreateSolidBrush(::GetSysColor(COLOR_WINDOW));
        HBRUSH filled = ::CreateSolidBrush(highContrast_ ? ::GetSysColor(COLOR_HIGHLIGHT)
                                                         : barColour(line.look));
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

std::optional<std::size_t> SiteTable::selectedLine() const {
    // With several lines selected, the one with the focus among them, the
    // one the user clicked last; else the first.
    int row = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (row < 0 || (ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED) == 0) {
        row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    }
    if (row < 0 || static_cast<std::size_t>(row) >= lines_.size()) return std::nullopt;
    return static_cast<std::size_t>(row);
}

void SiteTable::reportSelection() {
    if (quiet_ || list_ == nullptr) return;
    // The list tells of the focus and of each line's state apart: the
    // handler hears only when the line selected is another.
    const std::optional<std::size_t> line = selectedLine();
    if (line == reported_) return;
    reported_ = line;
    if (selectionHandler_) selectionHandler_(line);
}

}  // namespace quelvar::ui::win32
