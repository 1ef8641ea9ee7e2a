#include "ui/console/row_table.h"

#include <algorithm>
#include <cctype>
#include <iomanip>
#include <ostream>

namespace quelvar::ui::console {

// A failed or stopped row stands out in capitals; a row not started is "-".
std::string TableWord(site::RowState state) {
    if (state == site::RowState::NotStarted) return "-";
    std::string word(site::StateWord(state));
    if (state != site::RowState::Passed) {
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    return word;
}

void PrintRowTable(std::ostream& out, const std::vector<TableColumn>& columns,
                   const std::vector<TableRow>& rows, const std::string& passedWhat) {
    out << std::left << std::setw(4) << "ROW" << ' ';
    for (const TableColumn& column : columns) out << std::setw(column.width) << column.heading << ' ';
    out << std::setw(6) << "RESULT" << ' ' << "DETAIL" << '\n';
    std::size_t passed = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const site::RowResult& result = *rows[i].result;
        if (result.passed()) ++passed;
        out << std::left << std::setw(4) << i + 1 << ' ';
        for (std::size_t c = 0; c < columns.size(); ++c) {
            out << std::setw(columns[c].width) << rows[i].cells[c] << ' ';
        }
        out << std::setw(6) << TableWord(result.state) << ' ' << result.outcome << '\n';
    }
    out << passed << " of " << rows.size() << " " << passedWhat << '\n';
    out.flush();
}

}  // namespace quelvar::ui::console
