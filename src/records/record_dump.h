#pragma once

#include <string>

#include "records/file_contents.h"

namespace quelvar::records {

// A setup record file as text, for people and for line-based tools such as a
// version control's diff: a block per record headed "record N (SIZE bytes)",
// then 16 data bytes a line with their offset in the record, in hexadecimal,
// and the printable ones as characters. The same bytes give the same text on
// every run and every machine, in every language: a text a version control
// keeps and compares must not depend on who made it. A header other than
// 04 "RECF" gets a line of its own before the records.
std::string DumpText(const FileContents& contents);

}  // namespace quelvar::records
