#pragma once

#include <string>
#include <vector>

#include "discovery/device_table.h"

namespace quelvar::ui::console {

// Modules as one JSON array, in their order:
// [{"mac":"02-00-00-00-00-02","ip":"127.0.0.2","port":30718,"product":"QV","version":"6.1"}]
// The product letters are raw bytes of the module's reply, not necessarily
// text: each byte stands for the character of that number, and everything
// outside printable ASCII is escaped, so the output is always valid JSON.
// "interface", after "version", is the network adapter the reply came in on;
// a row that does not know it (not filled by a search of this machine) has none.
std::string DevicesJson(const std::vector<discovery::DeviceEntry>& modules);

}  // namespace quelvar::ui::console
