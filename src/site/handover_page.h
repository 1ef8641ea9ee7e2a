#pragma once

#include <string>
#include <string_view>

#include "platform/language.h"
#include "platform/wall_clock.h"
#include "site/handover.h"

namespace quelvar::site {

// What a page says of its own making.
struct PageFacts {
    std::string version;  // the program's, "1.0.4"
    platform::WallTime made{};
    platform::Language language = platform::Language::English;
};

// The handover record as one self-contained HTML page: inline CSS and SVG,
// no script, nothing fetched. The site's counts by result (numbers and a
// bar), a table of every module with failed rows first, a timeline of each
// run, and the program, files and moment it was made from. Readable on a
// phone and printable to A4 with the table's header on each page. Every
// text from the files is escaped.
std::string HandoverPage(const Handover& handover, const PageFacts& facts);

// A text from a file as HTML character data or attribute value.
std::string HtmlText(std::string_view text);

// The opening of a table that scrolls sideways on a narrow screen: its box
// takes the keyboard's focus, so that it can be scrolled without a mouse,
// and is named for a screen reader by LABEL. CLASS is the table's class.
std::string ScrollingTableStart(std::string_view label, std::string_view tableClass = {});

// A column's header cell, tied to its column for a screen reader.
std::string ColumnHeader(std::string_view html, std::string_view cellClass = {});

}  // namespace quelvar::site
