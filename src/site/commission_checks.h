#pragma once

#include <string>
#include <vector>

#include "site/commission_sheet.h"

namespace quelvar::site {

// Rows that contradict each other: two rows for the same module, or two rows
// giving the same new address. One message per conflict, naming both lines.
std::vector<std::string> FindSheetConflicts(const std::vector<SheetRow>& rows);

}  // namespace quelvar::site
