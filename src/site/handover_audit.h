#pragma once

#include <string>
#include <string_view>

#include "platform/language.h"
#include "site/handover.h"

namespace quelvar::site {

// The audits of a handover record: on the page, for each, its patterns, a
// matrix of modules and the reference's records (each cell coloured and
// marked with a sign, for a print in black and white), and each module's
// own differing bytes; in the sheet, one row per module and record that
// differs. Every text from the files is escaped.
std::string AuditSections(const Handover& handover, platform::Language language);
std::string AuditSheetRows(const Handover& handover, platform::Language language);

// The style of those sections, for the page's one style sheet.
extern const char* const kAuditStyle;

// "same", "differs", "records missing", ... and their Japanese.
std::string_view AuditResultWord(AuditResult result, platform::Language language);

}  // namespace quelvar::site
