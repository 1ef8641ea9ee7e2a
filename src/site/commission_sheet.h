#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_table.h"
#include "ops/facts.h"
#include "platform/ipv4.h"

namespace quelvar::site {

// One module to commission: which one, the address it must end up with, and
// optionally a setup record file to apply (as written in the sheet).
struct SheetRow {
    int line = 0;  // line number in the sheet where the row starts, from 1
    discovery::MacAddress mac{};
    platform::Ipv4Octets address{};
    std::string file;  // empty: no file
};

struct CommissionSheet {
    std::vector<SheetRow> rows;
    std::vector<ops::Fact> errors;  // "line 4: malformed MAC address 'x'", each naming its line
};

// The largest sheet read: a rack of a thousand modules takes about 60 KiB.
inline constexpr std::size_t kMaxSheetBytes = 1 << 20;
// The longest field taken: a file name with its folders fits easily.
inline constexpr std::size_t kMaxFieldLength = 1024;

// Reads a commissioning sheet: comma-separated values (RFC 4180: quoted
// fields may hold commas, doubled quotes and line breaks) of MAC address,
// new IPv4 address and an optional setup record file. A UTF-8 byte order
// mark is skipped; blank lines and lines starting with '#' are skipped; the
// first line is a header only when its first field names the MAC column.
// Blanks around fields are dropped. Every malformed row is reported with its
// line: a bad MAC or address, an address no module can hold, a wrong number
// of fields, a control character in a field, a field of over 1024 characters.
CommissionSheet ParseCommissionSheet(std::string_view text);

}  // namespace quelvar::site
