#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/facts.h"
#include "records/record_diff.h"

namespace quelvar::site {

// Which modules no longer hold the setup records they should: each module's
// records compared with a reference file, record by record, and the
// differences every module shares picked out as patterns. Pure: the reading
// of modules and backups lies in audit_reading, the wording in the front-ends.

// Bytes of a record the audit does not compare: a value each module holds
// of its own once the user has seen it as a pattern. `whole`: the record
// as a whole, its absence included.
struct IgnoredBytes {
    std::uint8_t record = 0;
    bool whole = true;
    std::size_t first = 0, last = 0;  // inclusive, in the record's data
    friend bool operator==(const IgnoredBytes&, const IgnoredBytes&) = default;
};

// "0", "0:4-7" or "0:4" (decimal, or hexadecimal with 0x); nullopt when it
// does not read.
std::optional<IgnoredBytes> ParseIgnoredBytes(std::string_view text);
// Byte positions as the audit shows them: "4-7", or "4" for one byte.
std::string SpanText(std::size_t offset, std::size_t length);

// As the user writes it, and patterns offer it: "0:4-7", "0:4", "3".
std::string IgnoreText(const IgnoredBytes& ignored);
// Why `ignored` cannot apply to the reference (no such record, or bytes past
// its end); nullopt when it can.
std::optional<ops::Fact> IgnoreProblem(const IgnoredBytes& ignored,
                                       const std::vector<records::Record>& reference);

// What a module came to. The order is the report's, worst first: those the
// audit knows least about, then those furthest from the reference.
enum class AuditResult { NotFound, Unreadable, RecordsMissing, RecordsBeyond, Differs, Same };
// Its stable name in reports: "not-found", "unreadable", "records-missing", ...
std::string_view AuditResultName(AuditResult result);

// One module as read: its records, or why there are none.
struct AuditedSource {
    std::string mac;      // as named when it was never found
    std::string address;  // where it answered, or where a backup found it
    bool found = true;    // false: not found (a module named, or a sheet's row)
    std::optional<std::vector<records::Record>> records;  // nullopt: could not be read
    ops::Reason reason;   // why not read, or not found
};

// A difference of one record's data, left the reference's bytes, right the
// module's.
struct AuditRange {
    std::uint8_t record = 0;
    std::size_t recordIndex = 0;  // in the reference
    records::DifferingRange range;
    bool inPattern = false;       // every compared module differs there
};

struct AuditedModule {
    AuditedSource source;
    AuditResult result = AuditResult::Same;
    std::vector<AuditRange> ranges;          // Differs (and with missing/beyond records too)
    std::vector<std::uint8_t> missing;       // records the reference has and the module lacks
    std::vector<std::uint8_t> beyond;        // records the module has and the reference lacks
    std::size_t order = 0;                   // its place as read

    std::size_t differingBytes() const;
    std::size_t ownBytes() const;  // those outside the patterns
};

// A byte range of a record in which every compared module differs from the
// reference, such as a value each module holds of its own: "every" meaning
// every module that was read and holds that record, but for one that holds
// it exactly as the reference does (the module the reference was saved
// from), and at least two modules (one alone shows no pattern).
struct AuditPattern {
    std::uint8_t record = 0;
    std::size_t recordIndex = 0;
    std::size_t offset = 0, length = 0;
    std::size_t modules = 0;  // how many differ there
    std::size_t of = 0;       // how many were read and hold the record
    IgnoredBytes ignore() const;
};

struct AuditCounts {
    std::size_t modules = 0, same = 0, differs = 0, missing = 0, beyond = 0, unreadable = 0,
                notFound = 0;
    void count(AuditResult result);  // one more module that came to `result`
};

struct Audit {
    std::vector<AuditPattern> patterns;  // in record, then offset order
    std::vector<AuditedModule> modules;  // worst first, then as read
    AuditCounts counts;
    bool allSame() const { return counts.same == counts.modules; }
};

// A module's cell of a record in the audit's matrix (the page's and the
// Site window's), and the sign it shows: the sign carries the meaning,
// colour only adds to it.
enum class AuditCell {
    Blank,    // a column of records beyond the reference, which this module lacks
    Same,     // "="
    Pattern,  // "≈": differs only where every module does
    Differs,  // "≠"
    Missing,  // "−": the reference has the record, the module lacks it
    Beyond,   // "+": the module holds a record the reference lacks
    Unread,   // "?": not read, or not found
};
AuditCell CellOf(const AuditedModule& module, std::uint8_t record, bool beyondColumn);
std::string_view AuditSign(AuditCell cell);
// The records some module holds beyond the reference, in number order: the
// matrix's columns after the reference's own.
std::vector<std::uint8_t> RecordsBeyond(const std::vector<AuditedModule>& modules);

// Compares every source with the reference, record by record (DiffRecords
// pairing), leaving out what `ignored` masks. A module whose differences all
// lie under `ignored` is the same. Among modules of one result, more
// differing bytes of their own (outside the patterns) come first.
Audit AuditModules(const std::vector<records::Record>& reference,
                   std::vector<AuditedSource> sources, const std::vector<IgnoredBytes>& ignored);

}  // namespace quelvar::site
