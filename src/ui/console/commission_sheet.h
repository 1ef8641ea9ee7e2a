#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/console/device_selector.h"

namespace quelvar::ui::console {

// One module to commission: which one, the address it must end up with, and
// optionally a setup record file to apply (as written in the sheet).
struct SheetRow {
    int line = 0;  // line number in the sheet, from 1
    MacAddress mac{};
    platform::Ipv4Octets address{};
    std::string file;  // empty: no file
};

struct CommissionSheet {
    std::vector<SheetRow> rows;
    std::vector<std::string> errors;  // "line 4: malformed MAC address 'x'"
};

// Reads a commissioning sheet: comma-separated lines of MAC address, new
// IPv4 address and an optional setup record file. Blank lines and lines
// starting with '#' are skipped; so is a first line whose first field is not
// a MAC address (a header). Fields may be surrounded by blanks or double
// quotes; CR LF line ends are fine. Every malformed line is reported.
CommissionSheet ParseCommissionSheet(std::string_view text);

}  // namespace quelvar::ui::console
