#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/language.h"
#include "site/commission_sheet.h"

namespace quelvar::site {

// Rows that contradict each other: two rows for the same module, or two rows
// giving the same new address. One message per conflict, naming both lines.
std::vector<std::string> FindSheetConflicts(const std::vector<SheetRow>& rows);

// The rows (of `rows`, by index) whose new address lies outside this PC's
// networks, where it will not reach the module afterwards: one line each, to
// be said before anything is sent. Before the search it is not known which
// adapter a module answers on, so every adapter's subnets count here; the
// row itself judges by its module's adapter and gives such an address last.
std::vector<std::string> RowsOutsideNetworks(const std::vector<SheetRow>& sheet,
                                             const std::vector<std::size_t>& rows,
                                             platform::Language language);

}  // namespace quelvar::site
