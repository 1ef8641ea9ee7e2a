#pragma once

#include <string>
#include <string_view>

#include "platform/language.h"
#include "site/handover.h"

namespace quelvar::site {

// The handover record's rows as comma-separated values (RFC 4180: CR LF
// line ends, a field quoted when it holds a comma, a quote or a line end),
// with a header, in the table's order and words, in UTF-8 with a byte order
// mark so that spreadsheet programs read Japanese text as such. Times are
// UTC, as the files keep them.
std::string HandoverSheet(const Handover& handover, platform::Language language);

// One field as a sheet cell: quoted where needed, and a text that a
// spreadsheet would take for a formula (it begins with =, +, -, @, a tab or
// a carriage return) kept as text by a leading apostrophe.
std::string SheetCell(std::string_view text);

// A sheet written a line at a time: its cells, each as SheetCell makes it,
// then the line's end.
class SheetLines {
public:
    explicit SheetLines(std::string& sheet) : sheet_(sheet) {}
    void cell(std::string_view text);
    void endLine();

private:
    std::string& sheet_;
    bool first_ = true;
};

}  // namespace quelvar::site
