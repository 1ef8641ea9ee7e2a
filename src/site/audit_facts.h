#pragma once

#include "ops/facts.h"
#include "site/audit.h"

namespace quelvar::site {

// An audit said as facts, for the console's lines and the Site window's
// pane alike: each front-end words them in its language.

// "module 02-00-5E-10-00-01 at 127.0.0.3", or by MAC alone when it never answered.
ops::Fact AuditedModuleName(const AuditedSource& source);
// What a module came to: same, differs in N records, lacks records 0, 8, ...
ops::Reason AuditVerdict(const AuditedModule& module);
// "record 0, bytes 4-7: differs on 400 of 400 modules (--ignore 0:4-7)".
ops::Fact AuditPatternFact(const AuditPattern& pattern);
// One range of a module's own: the reference's first bytes and the module's.
ops::Fact AuditRangeFact(const AuditRange& range);
ops::Fact AuditSummaryFact(const AuditCounts& counts);
// A module's own differences, a fact a range: those the patterns do not
// show, or that it differs only as every module does.
std::vector<ops::Fact> AuditOwnDifferences(const AuditedModule& module);

}  // namespace quelvar::site
