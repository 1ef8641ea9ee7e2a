#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/language.h"
#include "site/row_result.h"

namespace quelvar::ui::console {

// The words of the console's summaries of runs over many modules.
enum class TableText {
    Row,
    Line,
    Mac,
    Address,
    Result,
    Detail,
    RowsPassed,       // "%1 of %2 row(s) passed"
    ModulesSaved,     // "%1 of %2 module(s) saved"
    ModulesRestored,  // "%1 of %2 module(s) restored"
    Stopping,         // the first Ctrl+C of a run
    StillWriting,     // the second, while %1 (the modules) are written
    ConfirmCommission,  // %1 modules, %2 the sheet
    ConfirmRestore,     // %1 modules, %2 the folder
    SkippingRow,        // row, line, mac, the earlier report
    ReplaceBackup,      // after a backup there already
    ReplaceFiles,       // after rows whose files were there already
};
std::string_view TableTextIn(TableText text, platform::Language language);

// The summary of a run over many modules on stdout: a table of one line per
// row (ROW, the columns given, RESULT and DETAIL), then how many passed, in
// the console's language.
struct TableColumn {
    TableText heading;
    int width;
};
struct TableRow {
    std::vector<std::string> cells;  // one per column
    const site::RowResult* result;
};
// How a row's state shows in the console's lines: "pass", "FAIL", "STOP",
// "-"; in Japanese the words of the windows.
std::string TableWord(site::RowState state, platform::Language language);

void PrintRowTable(std::ostream& out, platform::Language language,
                   const std::vector<TableColumn>& columns, const std::vector<TableRow>& rows,
                   TableText passedWhat);

}  // namespace quelvar::ui::console
