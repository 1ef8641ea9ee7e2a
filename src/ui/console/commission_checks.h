#pragma once

#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "ui/console/commission_sheet.h"

namespace quelvar::ui::console {

// Rows that contradict each other: two rows for the same module, or two rows
// giving the same new address. One message per conflict, naming both lines.
std::vector<std::string> FindSheetConflicts(const std::vector<SheetRow>& rows);

// The module other than the row's own that the search saw at the row's new
// address, or nullptr. Modules often leave the factory with one address, and
// giving a second module an address already in use loses one of them.
const discovery::DeviceEntry* HolderOfNewAddress(const discovery::DeviceTable& found,
                                                 const SheetRow& row);

}  // namespace quelvar::ui::console
