// A site's handover record: files read as what they say they are, the page
// and the sheet made from texts anyone may have written, and moments as the
// files keep them.
#include <gtest/gtest.h>

#include <string_view>
#include <utility>

#include "site/handover.h"
#include "site/handover_page.h"
#include "site/handover_sheet.h"

namespace quelvar::site {
namespace {

// A report whose every text is hostile: markup in the sheet's name, the
// product letters, the file and the reason, and a formula or two.
const char* const kHostileReport = R"json({
  "format": "quelvarinit-commission-report", "version": 1,
  "sheet": "site<img src=x onerror=alert(1)>.csv",
  "rows": [
    {"line": 2, "mac": "02-00-5E-10-00-00", "product": "<marquee>", "firmware": "6.1",
     "before": "127.0.0.2", "after": "127.0.0.20", "file": "=HYPERLINK(\"http://x\")",
     "sha256": "", "steps": ["set-ip"], "result": "pass",
     "reason": "ip 127.0.0.2 -> 127.0.0.20 & \"kept\"",
     "start": "2026-12-08T10:00:00.000Z", "end": "2026-12-08T10:00:04.400Z", "seconds": 4.4},
    {"line": 3, "mac": "02-00-5E-10-00-01", "product": "", "firmware": "", "before": "",
     "after": "", "file": "", "sha256": "", "steps": [], "result": "fail",
     "reason": "<script>alert('x')</script>\u0000", "seconds": 0},
    {"line": 4, "mac": "02-00-5E-10-00-02", "before": "", "after": "", "file": "@SUM(A1)",
     "steps": [], "result": "not started", "reason": "-1+2",
     "start": "9999-12-31T23:59:59.999Z", "seconds": 1e300}
  ]
})json";

const char* const kManifest = R"json({
  "format": "quelvarinit-backup", "version": 1,
  "modules": [
    {"mac": "02-00-5E-10-00-03", "address": "127.0.0.5", "product": "DA", "firmware": "6.3",
     "file": "a.rec", "sha256": "e936a1a11d4a0000000000000000000000000000000000000000000000000000",
     "result": "saved", "start": "2026-12-08T11:00:00Z", "end": "2026-12-08T11:00:03.700Z",
     "seconds": 3.7},
    {"mac": "02-00-5E-10-00-04", "address": "127.0.0.6", "product": "EA", "firmware": "7.4",
     "file": "", "sha256": "", "result": "failed", "reason": "+cmd"}
  ]
})json";

Handover Read(std::initializer_list<std::pair<const char*, const char*>> files) {
    Handover handover;
    for (const auto& [name, text] : files) {
        ops::Fact why;
        EXPECT_TRUE(AddHandoverFile(handover, name, text, why)) << name << " " << ops::KindName(why.kind);
    }
    return handover;
}

TEST(Handover, ReportsAndManifestsBecomeOneListFailedFirst) {
    const Handover handover = Read({{"r.json", kHostileReport}, {"b/backup.json", kManifest}});
    ASSERT_EQ(handover.sources.size(), 2u);
    EXPECT_EQ(handover.sources[0].kind, HandoverSource::Kind::Commission);
    EXPECT_EQ(handover.sources[1].kind, HandoverSource::Kind::Backup);
    const HandoverCounts counts = CountRows(handover);
    EXPECT_EQ(counts.total(), 5u);
    EXPECT_EQ(counts.passed, 2u);
    EXPECT_EQ(counts.failed, 2u);
    EXPECT_EQ(counts.notStarted, 1u);

    std::vector<std::string> order;
    for (const HandoverRow* row : RowsFailedFirst(handover)) order.push_back(row->mac);
    EXPECT_EQ(order, (std::vector<std::string>{"02-00-5E-10-00-01", "02-00-5E-10-00-04",
                                               "02-00-5E-10-00-02", "02-00-5E-10-00-00",
                                               "02-00-5E-10-00-03"}));
    // A backup's module answered where it was saved; its times read whole.
    const RowResult& saved = handover.rows[3].result;
    EXPECT_EQ(saved.before, "127.0.0.5");
    EXPECT_EQ(saved.after, "127.0.0.5");
    ASSERT_TRUE(saved.started);
    EXPECT_EQ(platform::UtcStamp(*saved.ended()), "2026-12-08T11:00:03.700Z");
    EXPECT_FALSE(handover.rows[1].result.started) << "a row that never began has no times";
}

TEST(Handover, FilesThatAreNeitherOrCutAreRefusedWhole) {
    const std::string report = kHostileReport;
    struct Case {
        std::string text;
        ops::FactKind why;
    } cases[] = {
        {report.substr(0, report.size() / 2), ops::FactKind::NotJsonOrCut},
        {"mac,address\n02-00-5E-10-00-00,127.0.0.9\n", ops::FactKind::NotJsonOrCut},
        {R"({"format":"something-else","version":1})", ops::FactKind::NeitherReportNorManifest},
        {R"({"format":"quelvarinit-commission-report","version":2,"sheet":"s","rows":[]})",
         ops::FactKind::NotAReport},
        {R"({"format":"quelvarinit-backup","version":1,"modules":[{"mac":"nope"}]})",
         ops::FactKind::ManifestEntryNoMac},
        {"[]", ops::FactKind::NeitherReportNorManifest},
    };
    for (const Case& c : cases) {
        Handover handover = Read({{"b/backup.json", kManifest}});
        ops::Fact why;
        EXPECT_FALSE(AddHandoverFile(handover, "x.json", c.text, why)) << c.text;
        EXPECT_EQ(why.kind, c.why) << ops::KindName(why.kind);
        EXPECT_EQ(handover.sources.size(), 1u) << "nothing of a refused file is added";
        EXPECT_EQ(handover.rows.size(), 2u);
    }
}

TEST(Handover, ThePageEscapesEveryTextAndHoldsNoScript) {
    const Handover handover = Read({{"r<1>.json", kHostileReport}, {"b/backup.json", kManifest}});
    for (platform::Language language :
         {platform::Language::English, platform::Language::Japanese}) {
        const std::string page =
            HandoverPage(handover, {"1.0.4\"><x", platform::WallTime{}, language});
        for (const char* raw : {"<img", "<script", "<marquee>", "alert('x')", "r<1>", "\"><x"}) {
            EXPECT_EQ(page.find(raw), std::string::npos) << raw;
        }
        for (const char* shown : {"site&lt;img src=x onerror=alert(1)&gt;.csv",
                                  "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;\xEF\xBF\xBD",
                                  "&amp; &quot;kept&quot;", "r&lt;1&gt;.json", "&lt;marquee&gt;"}) {
            EXPECT_NE(page.find(shown), std::string::npos) << shown;
        }
        // Nothing to fetch or run: no script, no address outside the page.
        EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
        EXPECT_EQ(page.find("src=\""), std::string::npos);
    }
}

TEST(Handover, TheSheetKeepsEveryCellTextAndEveryRowOneRow) {
    const Handover handover = Read({{"r.json", kHostileReport}, {"b/backup.json", kManifest}});
    const std::string sheet = HandoverSheet(handover, platform::Language::English);
    ASSERT_EQ(sheet.rfind("\xEF\xBB\xBFRun,Result,MAC,", 0), 0u);
    // Six lines, each ended by CR LF, however the texts ran.
    std::size_t lines = 0;
    for (std::size_t at = sheet.find("\r\n"); at != std::string::npos;
         at = sheet.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 6u);
    for (const char* cell : {",\"'=HYPERLINK(\"\"http://x\"\")\",", ",'@SUM(A1),", ",'-1+2,",
                             ",'+cmd,", ",\"ip 127.0.0.2 -> 127.0.0.20 & \"\"kept\"\"\","}) {
        EXPECT_NE(sheet.find(cell), std::string::npos) << cell;
    }
    EXPECT_EQ(sheet.find('\0'), std::string::npos);
    EXPECT_EQ(SheetCell("02-00-5E-10-00-00"), "02-00-5E-10-00-00");
    EXPECT_EQ(SheetCell("a\r\nb"), "\"a\r\nb\"");
    EXPECT_EQ(SheetCell("\tx"), "'\tx");
}

// An audit of three modules against a reference whose name is markup: one
// differing in a pattern and a byte of its own, one lacking record 8, one
// not found (named by markup too).
const char* const kAudit = R"json({
  "format": "quelvarinit-audit-report", "version": 1, "task": "audit",
  "reference": {"file": "<b>ref</b>.rec", "sha256": "00", "records": [0, 3, 8]},
  "ignore": [{"record": 2, "text": "2"}],
  "patterns": [{"record": 0, "offset": 4, "length": 4, "modules": 2, "of": 2, "ignore": "0:4-7"}],
  "counts": {},
  "modules": [
    {"mac": "<i>x</i>", "address": "", "result": "not-found", "differences": [], "missing": [],
     "beyond": [], "reason": "not found", "kind": "not-found",
     "facts": [{"kind": "not-found", "values": []}]},
    {"mac": "02-00-5E-10-00-02", "address": "127.0.0.4", "result": "records-missing",
     "differences": [{"record": 0, "offset": 4, "length": 4, "reference": "5C636A71",
                      "module": "C0A8010C", "pattern": true}], "missing": [8], "beyond": []},
    {"mac": "02-00-5E-10-00-01", "address": "127.0.0.3", "result": "differs",
     "differences": [{"record": 0, "offset": 4, "length": 4, "reference": "5C636A71",
                      "module": "C0A8010B", "pattern": true},
                     {"record": 3, "offset": 16, "length": 1, "reference": "0D", "module": "=1",
                      "pattern": false}], "missing": [], "beyond": []}
  ]
})json";

TEST(Handover, AnAuditIsAMatrixOfModulesAndRecordsAndOneSheetRowPerRecordThatDiffers) {
    std::string audit = kAudit;
    ops::Fact why;
    Handover refused;
    // A byte that is no hexadecimal refuses the whole file.
    EXPECT_FALSE(AddHandoverFile(refused, "a.json", audit, why));
    EXPECT_EQ(why.kind, ops::FactKind::NotAnAuditReport);
    EXPECT_TRUE(refused.sources.empty());
    audit.replace(audit.find("\"=1\""), 4, "\"EE\"");
    // So does a field of the wrong kind, where a reader that trusted the
    // file would throw.
    for (auto [from, to] : {std::pair{"\"pattern\": true", "\"pattern\": \"true\""},
                            std::pair{"\"patterns\": [{", "\"patterns\": [7, {"},
                            std::pair{"\"differences\": [{", "\"differences\": [[], {"}}) {
        std::string wrong = audit;
        wrong.replace(wrong.find(from), std::string_view(from).size(), to);
        EXPECT_FALSE(AddHandoverFile(refused, "a.json", wrong, why)) << to;
        EXPECT_EQ(why.kind, ops::FactKind::NotAnAuditReport);
    }
    const Handover handover = Read({{"a.json", audit.c_str()}});
    ASSERT_EQ(handover.audits.size(), 1u);
    EXPECT_EQ(handover.audits[0].read.audit.counts.missing, 1u);

    const std::string page =
        HandoverPage(handover, {"1.0.4", platform::WallTime{}, platform::Language::English});
    for (const char* raw : {"<b>ref", "<i>x"}) EXPECT_EQ(page.find(raw), std::string::npos) << raw;
    // Each cell coloured by its class and marked by a sign, for a print without colour.
    for (const char* shown :
         {"&lt;b&gt;ref&lt;/b&gt;.rec", "<td class=\"cell unread\">?</td>",
          "<td class=\"cell pattern\">\xE2\x89\x88</td><td class=\"cell same\">=</td>"
          "<td class=\"cell missing\">\xE2\x88\x92</td>",
          "<td class=\"cell differs\">\xE2\x89\xA0</td>",
          "<td class=\"mono\">0:4-7</td>", "<td class=\"hex\">0D</td><td class=\"hex\">EE</td>"}) {
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    }
    EXPECT_EQ(page.find("id=\"summary\""), std::string::npos) << "no runs to count";

    const std::string sheet = HandoverSheet(handover, platform::Language::English);
    EXPECT_EQ(sheet,
              "\xEF\xBB\xBFRun,MAC,Address,Result,Record,Bytes,Reference,Module,Reason\r\n"
              "a.json,<i>x</i>,,not found,,,,,not found\r\n"
              "a.json,02-00-5E-10-00-02,127.0.0.4,records missing,0,4-7 (pattern),5C 63 6A 71,"
              "C0 A8 01 0C,\r\n"
              "a.json,02-00-5E-10-00-02,127.0.0.4,records missing,8,,,,records missing\r\n"
              "a.json,02-00-5E-10-00-01,127.0.0.3,differs,0,4-7 (pattern),5C 63 6A 71,"
              "C0 A8 01 0B,\r\n"
              "a.json,02-00-5E-10-00-01,127.0.0.3,differs,3,16,0D,EE,\r\n");
}

TEST(WallClock, StampsReadBackAndNothingElseReads) {
    const std::optional<platform::WallTime> time =
        platform::ParseUtcStamp("2024-02-29T23:59:59.999Z");
    ASSERT_TRUE(time);
    EXPECT_EQ(platform::UtcStamp(*time), "2024-02-29T23:59:59.999Z");
    EXPECT_EQ(platform::UtcStamp(*platform::ParseUtcStamp("1970-01-01T00:00:00Z")),
              "1970-01-01T00:00:00.000Z");
    for (const char* text : {"2023-02-29T00:00:00Z", "2026-12-08T24:00:00Z", "2026-12-08 10:00:00Z",
                             "2026-12-08T10:00:00", "2026-12-08T10:00:00.5Z", "2026-1-08T10:00:00Z",
                             "2026-12-08T10:00:00+01:00", ""}) {
        EXPECT_FALSE(platform::ParseUtcStamp(text)) << text;
    }
    EXPECT_EQ(platform::UtcOffsetText(540), "UTC+09:00");
    EXPECT_EQ(platform::UtcOffsetText(-210), "UTC-03:30");
}

}  // namespace
}  // namespace quelvar::site
