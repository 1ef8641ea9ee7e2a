#pragma once

#include <string>
#include <string_view>

#include "discovery/device_table.h"

namespace quelvar::ui::console {

// A JSON string literal of any bytes. Quotes, backslashes and control
// characters are escaped; so is every byte above 0x7E, as the character of
// that number (the product letters are raw bytes of the module's reply, not
// necessarily text), which keeps the output plain ASCII and always valid.
std::string JsonString(std::string_view bytes);

// The modules of the last search as one JSON array, in list order:
// [{"mac":"02-00-00-00-00-02","ip":"127.0.0.2","port":30718,"product":"QV","version":"6.1",
//   "interface":"lo"}]
// "interface" is the network adapter the reply came in on; a row that does not
// know it (one not filled by a search of this machine) leaves it out.
std::string DevicesJson(const discovery::DeviceTable& table);

}  // namespace quelvar::ui::console
