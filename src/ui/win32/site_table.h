#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/site_view.h"
#include "platform/language.h"

namespace quelvar::ui::win32 {

// The Site window's table of modules: a virtual list view (LVS_OWNERDATA)
// that asks for the cells it paints, so a thousand lines cost only the rows
// on screen. The lines live here, their texts already in UTF-16; a change to
// some of them repaints only those rows that are in view. The Progress
// column is painted as a bar; failed lines stand out in light red, stopped
// ones in amber. An audit adds a narrow column per record between the result
// and the reason, each cell a sign coloured by what it says. The colours only
// repeat what the words say (the result's word, the record's sign): in a
// high-contrast theme the table drops them for the system's own colours.
//
// Every cell's text is answered whenever the list asks, painted or not: a
// screen reader reads the rows through the same request.
//
// The list's columns are in the order shown, and a column's subitem is its
// index: the reason is taken out and put back after the record columns
// rather than trusting the list to keep subitems apart from positions.
class SiteTable {
  public:
    static constexpr int kBaseColumnCount = 8;  // MAC ... result, reason
    static constexpr int kProgressColumn = 5;
    static constexpr int kFirstRecordColumn = 7;  // after the result
    using SelectionHandler = std::function<void(std::optional<std::size_t>)>;

    // The list, made as the child `id` of `parent`, its columns titled in `language`.
    HWND create(HWND parent, HINSTANCE instance, int id, platform::Language language);
    // The columns as wide as what they hold in the list's font (a MAC, an
    // address, their titles), after the font changed with the DPI.
    void fitColumns(UINT dpi);
    // The last column, the reason, takes the width the others leave. When
    // the list is too narrow for that, the file, the step and the result give
    // up width first, down to their titles, and the progress its bar's room,
    // so the reason keeps a readable width without the list scrolling
    // sideways (an audit's record columns give up nothing).
    void fitLastColumn();

    // The lines anew: no line is selected after, and the selection handler
    // is not told (whoever shows new lines knows it), so the presenter is
    // never called back from inside one of its own calls to the view.
    void showLines(const std::vector<app::SiteLine>& lines);
    void updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed);
    // An audit's record columns with these titles; none removes them.
    void showRecordColumns(const std::vector<std::string>& titles);
    // The system's colours taken anew (they changed, or a high-contrast
    // theme came or went: then the system's colours only); repaints.
    void followSystemColours(bool highContrast);
    bool highContrast() const { return highContrast_; }
    // Called on the list's thread when the user selects another line, or none.
    void onSelectionChanged(SelectionHandler handler) { selectionHandler_ = std::move(handler); }

    int columnCount() const { return kBaseColumnCount + static_cast<int>(recordTitles_.size()); }
    int reasonColumn() const { return columnCount() - 1; }

    // A WM_NOTIFY from the list: true, with the result, when it was this table's.
    bool onNotify(const NMHDR& header, LRESULT& result);

    const std::vector<app::SiteLine>& lines() const { return lines_; }
    // A cell as the list shows it, by column (empty past a line's records).
    const std::wstring& cell(std::size_t line, int column) const;
    HWND handle() const { return list_; }

  private:
    // A record column's sign in a line, UTF-8 as the presenter gave it;
    // empty past the line's records.
    const std::string& recordSign(const app::SiteLine& line, int column) const;
    // A line's texts in UTF-16: the base columns (the reason last) and its signs.
    struct Cells {
        std::array<std::wstring, kBaseColumnCount> base;
        std::vector<std::wstring> records;
    };
    static Cells cellsOf(const app::SiteLine& line);
    bool isRecordColumn(int column) const {
        return column >= kFirstRecordColumn && column < reasonColumn();
    }
    void insertColumn(int column, const std::wstring& title, int format, int width);
    int recordColumnWidth(const std::wstring& title) const;
    void fillDisplayInfo(NMLVDISPINFOW& info) const;
    LRESULT customDraw(NMLVCUSTOMDRAW& draw) const;
    void paintProgress(const NMLVCUSTOMDRAW& draw, const app::SiteLine& line) const;
    std::optional<std::size_t> selectedLine() const;
    void reportSelection();

    using Widths = std::vector<int>;  // one a column

    HWND list_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::wstring reasonTitle_;
    std::vector<std::wstring> recordTitles_;
    Widths fitted_;     // what fitColumns found each column needs
    Widths narrowest_;  // how far fitLastColumn may narrow each: its title, or not at all
    Widths given_;      // what this table last set; another width was dragged by the user
    std::vector<app::SiteLine> lines_;
    std::vector<Cells> cells_;
    SelectionHandler selectionHandler_;
    std::optional<std::size_t> reported_;  // the line the handler was last told of
    bool quiet_ = false;  // the table itself changes the selection: not the user's choice
    bool highContrast_ = false;
};

}  // namespace quelvar::ui::win32
