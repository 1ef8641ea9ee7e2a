// Comparing the records of a file with those read back from a module.
#include <gtest/gtest.h>

#include "records/record_compare.h"

namespace quelvar::records {
namespace {

TEST(RecordComparison, FileRecordsAgainstTheModules) {
    auto image = [](std::vector<std::pair<int, std::uint8_t>> records) {
        std::vector<std::uint8_t> bytes{0x04, 'R', 'E', 'C', 'F'};
        for (auto [number, fill] : records) {
            bytes.push_back(static_cast<std::uint8_t>(number));
            bytes.insert(bytes.end(), number == 0 ? 120 : 126, fill);
        }
        return bytes;
    };
    auto applied = RecordsOfImage(image({{0, 1}, {2, 2}, {3, 3}}));
    ASSERT_TRUE(applied);
    ASSERT_EQ(applied->size(), 3u);
    EXPECT_EQ((*applied)[0].data.size(), 120u);
    EXPECT_EQ((*applied)[1].data.size(), 126u);

    // The module holding more records than the file is no difference.
    auto same = RecordsOfImage(image({{0, 1}, {2, 2}, {3, 3}, {4, 4}}));
    EXPECT_TRUE(CompareRecords(*applied, *same).empty());

    auto altered = image({{0, 1}, {2, 2}});
    altered[5 + 121 + 1 + 63] ^= 0x5A;  // record 2, data byte 63
    auto differences = CompareRecords(*applied, *RecordsOfImage(altered));
    ASSERT_EQ(differences.size(), 2u);
    RecordDifference bytes{RecordDifference::Kind::Bytes, 2, 0, 0, 1, 63, 0x02, 0x58};
    EXPECT_EQ(differences[0], bytes);
    EXPECT_EQ(differences[1], (RecordDifference{RecordDifference::Kind::Missing, 3}));

    EXPECT_FALSE(RecordsOfImage(std::vector<std::uint8_t>{0x04, 'R', 'E', 'C'}));
    auto cut = image({{0, 1}});
    cut.pop_back();
    EXPECT_FALSE(RecordsOfImage(cut));
    EXPECT_TRUE(RecordsOfImage(image({}))->empty());
}

}  // namespace
}  // namespace quelvar::records
