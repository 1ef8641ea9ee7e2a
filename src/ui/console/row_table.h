#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "site/row_result.h"

namespace quelvar::ui::console {

// The summary of a run over many modules on stdout: a table of one line per
// row (ROW, the columns given, RESULT and DETAIL), then how many passed.
struct TableColumn {
    std::string heading;
    int width;
};
struct TableRow {
    std::vector<std::string> cells;  // one per column
    const site::RowResult* result;
};
// How a row's state shows in the console's lines: "pass", "FAIL", "STOP", "-".
std::string TableWord(site::RowState state);

void PrintRowTable(std::ostream& out, const std::vector<TableColumn>& columns,
                   const std::vector<TableRow>& rows, const std::string& passedWhat);

}  // namespace quelvar::ui::console
