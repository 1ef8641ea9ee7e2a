// Modules compared with a reference: each module's result, the order worst
// first, what every module shares picked out as a pattern, and --ignore.
#include <gtest/gtest.h>

#include "site/audit.h"

namespace quelvar::site {
namespace {

using Bytes = std::vector<std::uint8_t>;
using records::Record;

std::vector<Record> reference() {
    std::vector<Record> list;
    for (std::uint8_t n : Bytes{0, 3, 8}) list.push_back({n, Bytes(n == 0 ? 120 : 126, n)});
    return list;
}

// A module holding the reference but for its own value at record 0, bytes 4-7.
AuditedSource module(const std::string& mac, std::uint8_t own) {
    std::vector<Record> records = reference();
    for (std::size_t at = 4; at <= 7; ++at) records[0].data[at] = own;
    return {mac, "127.0.0.2", true, records, {}};
}

TEST(AuditTest, IgnoresReadAsWrittenAndMustFitTheReference) {
    EXPECT_EQ(ParseIgnoredBytes("0:4-7"), (IgnoredBytes{0, false, 4, 7}));
    EXPECT_EQ(ParseIgnoredBytes("3"), (IgnoredBytes{3, true, 0, 0}));
    EXPECT_EQ(ParseIgnoredBytes("8:0x10"), (IgnoredBytes{8, false, 16, 16}));
    for (const char* bad : {"", "256", "0:", "0:7-4", "0:4-", "x", "0:4-7:9", "-1"}) {
        EXPECT_EQ(ParseIgnoredBytes(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(IgnoreText(*ParseIgnoredBytes("0:0x4-7")), "0:4-7");
    EXPECT_EQ(IgnoreText(*ParseIgnoredBytes("3:9-9")), "3:9");

    EXPECT_EQ(IgnoreProblem({0, false, 4, 119}, reference()), std::nullopt);
    EXPECT_EQ(IgnoreProblem({0, false, 4, 120}, reference()),
              (ops::Fact{ops::FactKind::IgnorePastEnd, {"0:4-120", "0", "120"}}));
    EXPECT_EQ(IgnoreProblem({2, true, 0, 0}, reference()),
              (ops::Fact{ops::FactKind::IgnoreNoRecord, {"2", "2"}}));
}

TEST(AuditTest, EachResultWorstFirstWithPatternsMarked) {
    std::vector<AuditedSource> sources;
    sources.push_back(module("same-as-reference", 0));  // the module the reference came from
    sources.push_back(module("own-value", 0x11));
    AuditedSource changed = module("changed", 0x22);
    changed.records->at(1).data[10] = 0xEE;  // record 3, bytes 10-11
    changed.records->at(1).data[11] = 0xEE;
    changed.records->at(0).data[5] = 0;      // byte 5 of its own value happens to match
    sources.push_back(changed);
    AuditedSource lacking = module("lacking", 0x33);
    lacking.records->pop_back();
    sources.push_back(lacking);
    AuditedSource beyond = module("beyond", 0x44);
    beyond.records->push_back({9, Bytes(126, 9)});
    sources.push_back(beyond);
    sources.push_back({"unread", "127.0.0.9", true, std::nullopt, {{ops::FactKind::NotAnswering, {}}}});
    sources.push_back({"02-00-00-99-99-99", "", false, std::nullopt, {{ops::FactKind::NotFound, {}}}});

    const Audit audit = AuditModules(reference(), sources, {});
    std::vector<std::string> order;
    for (const AuditedModule& m : audit.modules) order.push_back(m.source.mac);
    EXPECT_EQ(order, (std::vector<std::string>{"02-00-00-99-99-99", "unread", "lacking", "beyond",
                                               "changed", "own-value", "same-as-reference"}));
    EXPECT_EQ(audit.modules[2].missing, Bytes{8});
    EXPECT_EQ(audit.modules[3].beyond, Bytes{9});
    const AuditCounts& c = audit.counts;
    EXPECT_EQ((std::vector<std::size_t>{c.modules, c.same, c.differs, c.missing, c.beyond,
                                        c.unreadable, c.notFound}),
              (std::vector<std::size_t>{7, 1, 2, 1, 1, 1, 1}));
    EXPECT_FALSE(audit.allSame());

    // Bytes 4, 6 and 7 differ on the four modules read besides the
    // reference's own; byte 5 matches on one of them, so it is no pattern.
    ASSERT_EQ(audit.patterns.size(), 2u);
    EXPECT_EQ(audit.patterns[0].offset, 4u);
    EXPECT_EQ(audit.patterns[0].length, 1u);
    EXPECT_EQ(audit.patterns[1].offset, 6u);
    EXPECT_EQ(audit.patterns[1].length, 2u);
    EXPECT_EQ(audit.patterns[1].modules, 4u);
    EXPECT_EQ(audit.patterns[1].of, 5u);
    EXPECT_EQ(IgnoreText(audit.patterns[1].ignore()), "0:6-7");

    // The changed module: its own value cut at the patterns, and its change.
    const AuditedModule& m = audit.modules[4];
    ASSERT_EQ(m.ranges.size(), 3u);
    EXPECT_TRUE(m.ranges[0].inPattern);
    EXPECT_EQ(m.ranges[1].range.offset, 6u);
    EXPECT_TRUE(m.ranges[1].inPattern);
    EXPECT_EQ(m.ranges[2].record, 3);
    EXPECT_EQ(m.ranges[2].range, (records::DifferingRange{10, 2, {3, 3}, {0xEE, 0xEE}}));
    EXPECT_FALSE(m.ranges[2].inPattern);

    // One module alone shows no pattern.
    EXPECT_TRUE(AuditModules(reference(), {module("a", 1)}, {}).patterns.empty());
}

TEST(AuditTest, IgnoredBytesAndRecordsCountAsSame) {
    AuditedSource lacking = module("lacking", 0x33);
    lacking.records->pop_back();
    const std::vector<IgnoredBytes> ignored{{0, false, 4, 7}, {8, true, 0, 0}};
    const Audit audit = AuditModules(reference(), {module("a", 1), module("b", 2), lacking}, ignored);
    EXPECT_TRUE(audit.allSame());
    EXPECT_TRUE(audit.patterns.empty());

    // Part of a range ignored: the rest still differs.
    const Audit partly = AuditModules(reference(), {module("a", 1)}, {{0, false, 4, 5}});
    ASSERT_EQ(partly.modules[0].ranges.size(), 1u);
    EXPECT_EQ(partly.modules[0].ranges[0].range, (records::DifferingRange{6, 2, {0, 0}, {1, 1}}));
}

}  // namespace
}  // namespace quelvar::site
