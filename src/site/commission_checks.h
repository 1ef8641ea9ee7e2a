#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/language.h"
#include "site/commission_sheet.h"

namespace quelvar::site {

// Rows that contradict each other: two rows for the same module, or two rows
// giving the same new address. One fact per conflict, naming both lines.
std::vector<ops::Fact> FindSheetConflicts(const std::vector<SheetRow>& rows);

// A sheet as every run reads it: its rows, and every row that is malformed
// or contradicts another among its errors.
CommissionSheet ReadCommissionSheet(std::string_view text);

// The rows (of `rows`, by index) whose new address lies outside this PC's
// networks, where it will not reach the module afterwards: one line each, to
// be said before anything is sent. Before the search it is not known which
// adapter a module answers on, so every adapter's subnets count here; the
// row itself judges by its module's adapter and gives such an address last.
std::vector<std::string> RowsOutsideNetworks(const std::vector<SheetRow>& sheet,
                                             const std::vector<std::size_t>& rows,
                                             platform::Language language);

}  // namespace quelvar::site
