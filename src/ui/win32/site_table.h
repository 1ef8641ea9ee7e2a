#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstddef>
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
// ones in amber.
class SiteTable {
  public:
    static constexpr int kColumnCount = 8;
    static constexpr int kProgressColumn = 5;

    // The list, made as the child `id` of `parent`, its columns titled in `language`.
    HWND create(HWND parent, HINSTANCE instance, int id, platform::Language language);
    // The columns as wide as what they hold in the list's font (a MAC, an
    // address, their titles), after the font changed with the DPI.
    void fitColumns(UINT dpi);
    // The last column, the reason, takes the width the others leave. When
    // the list is too narrow for that, the file, the step and the result give
    // up width first, down to their titles, so the reason keeps a readable
    // width without the list scrolling sideways.
    void fitLastColumn();

    void showLines(const std::vector<app::SiteLine>& lines);
    void updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed);

    // A WM_NOTIFY from the list: true, with the result, when it was this table's.
    bool onNotify(const NMHDR& header, LRESULT& result);

    const std::vector<app::SiteLine>& lines() const { return lines_; }
    // A cell as the list shows it.
    const std::wstring& cell(std::size_t line, int column) const { return cells_[line][column]; }
    HWND handle() const { return list_; }

  private:
    using Cells = std::array<std::wstring, kColumnCount>;
    static Cells cellsOf(const app::SiteLine& line);
    void fillDisplayInfo(NMLVDISPINFOW& info) const;
    LRESULT customDraw(NMLVCUSTOMDRAW& draw) const;
    void paintProgress(const NMLVCUSTOMDRAW& draw, const app::SiteLine& line) const;

    using Widths = std::array<int, kColumnCount>;

    HWND list_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    Widths fitted_{};     // what fitColumns found each column needs
    Widths narrowest_{};  // how far fitLastColumn may narrow each: its title, or not at all
    Widths given_{};      // what this table last set; another width was dragged by the user
    std::vector<app::SiteLine> lines_;
    std::vector<Cells> cells_;
};

}  // namespace quelvar::ui::win32
