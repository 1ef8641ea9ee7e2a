// Two record lists compared record by record: which records are the same,
// which only one side has, and in those that differ, exactly which byte
// ranges, with both sides' bytes.
#include <gtest/gtest.h>

#include "records/record_diff.h"

namespace quelvar::records {
namespace {

using Kind = RecordDiff::Kind;
using Bytes = std::vector<std::uint8_t>;

// A record of its usual size, every data byte `fill` + its offset.
Record record(std::uint8_t number, std::uint8_t fill = 0) {
    Record made{number, Bytes(RecordDataSize(number))};
    for (std::size_t i = 0; i < made.data.size(); ++i) {
        made.data[i] = static_cast<std::uint8_t>(fill + i);
    }
    return made;
}

std::vector<Record> download() {
    std::vector<Record> list;
    for (int n : {0, 2, 3, 4, 5, 6, 7, 8}) {
        const auto number = static_cast<std::uint8_t>(n);
        list.push_back(record(number, number));
    }
    return list;
}

TEST(RecordDiff, EqualListsAreTheSameRecordByRecord) {
    const std::vector<RecordDiff> diffs = DiffRecords(download(), download());
    ASSERT_EQ(diffs.size(), 8u);
    EXPECT_TRUE(AllSame(diffs));
    EXPECT_EQ(diffs[0].number, 0);
    EXPECT_EQ(diffs[0].leftSize, 120u);
    EXPECT_EQ(diffs[0].rightSize, 120u);
    EXPECT_EQ(diffs[7].number, 8);
    EXPECT_TRUE(AllSame(DiffRecords({}, {})));
}

TEST(RecordDiff, ChangedBytesGiveTheirRangesWithBothSides) {
    std::vector<Record> changed = download();
    // One byte of record 2.
    changed[1].data[40] = 0xEE;
    // Record 5: two bytes side by side, one byte apart from a third, and the last byte.
    changed[4].data[10] = 0xA0;
    changed[4].data[11] = 0xA1;
    changed[4].data[13] = 0xA3;
    changed[4].data[125] = 0xAF;

    const std::vector<RecordDiff> diffs = DiffRecords(download(), changed);
    ASSERT_EQ(diffs.size(), 8u);
    EXPECT_FALSE(AllSame(diffs));
    for (std::size_t i : {0u, 2u, 3u, 5u, 6u, 7u}) EXPECT_EQ(diffs[i].kind, Kind::Same) << i;

    ASSERT_EQ(diffs[1].kind, Kind::Differs);
    EXPECT_EQ(diffs[1].number, 2);
    EXPECT_EQ(diffs[1].ranges, (std::vector<DifferingRange>{{40, 1, {2 + 40}, {0xEE}}}));

    ASSERT_EQ(diffs[4].kind, Kind::Differs);
    EXPECT_EQ(diffs[4].number, 5);
    EXPECT_EQ(diffs[4].ranges, (std::vector<DifferingRange>{
                                   {10, 2, {15, 16}, {0xA0, 0xA1}},
                                   {13, 1, {18}, {0xA3}},
                                   {125, 1, {130}, {0xAF}},
                               }));
}

TEST(RecordDiff, ALongerRecordDiffersInTheBytesOnlyItHas) {
    Record shorter = record(3);
    Record longer = record(3);
    shorter.data.resize(100);
    longer.data[99] = 0x55;  // touches the bytes only the longer one has

    const std::vector<RecordDiff> diffs = DiffRecords({shorter}, {longer});
    ASSERT_EQ(diffs.size(), 1u);
    EXPECT_EQ(diffs[0].kind, Kind::Differs);
    EXPECT_EQ(diffs[0].leftSize, 100u);
    EXPECT_EQ(diffs[0].rightSize, 126u);
    ASSERT_EQ(diffs[0].ranges.size(), 1u);
    const DifferingRange& range = diffs[0].ranges[0];
    EXPECT_EQ(range.offset, 99u);
    EXPECT_EQ(range.length, 27u);
    EXPECT_EQ(range.left, Bytes{99});
    EXPECT_EQ(range.right.size(), 27u);
    EXPECT_EQ(range.right.front(), 0x55);
    EXPECT_EQ(range.right.back(), 125);

    // A record without data against a full one: every byte differs.
    const std::vector<RecordDiff> empty = DiffRecords({{3, {}}}, {record(3)});
    ASSERT_EQ(empty[0].ranges.size(), 1u);
    EXPECT_EQ(empty[0].ranges[0].offset, 0u);
    EXPECT_EQ(empty[0].ranges[0].length, 126u);
    EXPECT_TRUE(empty[0].ranges[0].left.empty());
}

TEST(RecordDiff, RecordsOnlyOneSideHasArePairedByNumberNotPlace) {
    // Left: 0, 2, 3, 3 (a file may repeat a number). Right: 0, 3, 4.
    const std::vector<Record> left{record(0), record(2), record(3, 1), record(3, 2)};
    const std::vector<Record> right{record(0), record(3, 1), record(4)};

    const std::vector<RecordDiff> diffs = DiffRecords(left, right);
    ASSERT_EQ(diffs.size(), 5u);
    EXPECT_EQ(diffs[0].kind, Kind::Same);
    EXPECT_EQ(diffs[1].kind, Kind::OnlyLeft);
    EXPECT_EQ(diffs[1].number, 2);
    EXPECT_EQ(diffs[1].leftSize, 126u);
    EXPECT_EQ(diffs[1].rightSize, 0u);
    // The first record 3 of each side pair up; the left's second has no partner.
    EXPECT_EQ(diffs[2].kind, Kind::Same);
    EXPECT_EQ(diffs[2].number, 3);
    EXPECT_EQ(diffs[2].leftIndex, 2u);
    EXPECT_EQ(diffs[2].rightIndex, 1u);
    EXPECT_EQ(diffs[3].kind, Kind::OnlyLeft);
    EXPECT_EQ(diffs[3].number, 3);
    EXPECT_EQ(diffs[3].leftIndex, 3u);
    EXPECT_EQ(diffs[4].kind, Kind::OnlyRight);
    EXPECT_EQ(diffs[4].number, 4);
    EXPECT_EQ(diffs[4].rightSize, 126u);
    EXPECT_EQ(diffs[4].rightIndex, 2u);
    EXPECT_TRUE(diffs[4].ranges.empty());
    EXPECT_FALSE(AllSame(diffs));

    EXPECT_EQ(DiffRecords({}, {record(7)})[0].kind, Kind::OnlyRight);
}

}  // namespace
}  // namespace quelvar::records
