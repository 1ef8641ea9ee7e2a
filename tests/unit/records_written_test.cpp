// What a note on a half-written module names: every record any try may have
// written into it, never fewer, in the file's own numbers.
#include <gtest/gtest.h>

#include "ops/records_written.h"

namespace quelvar::ops {
namespace {

using monitor::UploadOutcome;
using monitor::UploadResult;

// A downloaded file's records: 0, then 2 to 8.
std::vector<records::Record> fileRecords() {
    std::vector<records::Record> list;
    for (int number : {0, 2, 3, 4, 5, 6, 7, 8}) {
        list.push_back({static_cast<std::uint8_t>(number), {}});
    }
    return list;
}

UploadResult stopped(std::size_t taken, UploadOutcome outcome = UploadOutcome::EchoMissing) {
    return {outcome, 0, taken, true};
}

TEST(RecordsWritten, TheNoteNamesEveryRecordAnyTryMayHaveWritten) {
    const auto list = fileRecords();
    RecordsWritten held;
    // The first try got further than the second: its records stay named.
    held.add(stopped(7), list.size());  // 0, 2-7 confirmed, 8 under way
    held.add(stopped(5), list.size());  // 0, 2-5 confirmed, 6 under way
    EXPECT_EQ(ops::WordsOf(held.fact(list, "m.rec"), platform::Language::English),
              "records 0, 2-7 of m.rec written and record 8 may have been, not reset: apply "
              "the file again");

    RecordsWritten twoUnderWay;
    twoUnderWay.add(stopped(2), list.size());  // 0, 2 confirmed, 3 under way
    twoUnderWay.add(stopped(0), list.size());  // 0 under way
    twoUnderWay.add(stopped(4), list.size());  // 0, 2-4 confirmed, 5 under way
    EXPECT_EQ(ops::WordsOf(twoUnderWay.fact(list, "m.rec"), platform::Language::English),
              "records 0, 2-4 of m.rec written and record 5 may have been, not reset: apply "
              "the file again");
}

TEST(RecordsWritten, ARefusedRecordIsNotNamedAndNothingSentIsSaid) {
    const auto list = fileRecords();
    RecordsWritten refused;
    refused.add(stopped(3, UploadOutcome::RecordRefused), list.size());
    EXPECT_EQ(ops::WordsOf(refused.fact(list, "m.rec"), platform::Language::English),
              "records 0, 2-3 of m.rec written, not reset: apply the file again");

    RecordsWritten first;
    first.add(stopped(0), list.size());
    EXPECT_EQ(ops::WordsOf(first.fact(list, "m.rec"), platform::Language::English),
              "record 0 of m.rec may have been written, not reset: apply the file again");

    // Only runs of consecutive numbers join: 0 and 2 are apart.
    RecordsWritten gap;
    gap.add(stopped(2, UploadOutcome::SocketError), list.size());
    EXPECT_EQ(ops::WordsOf(gap.fact(list, "m.rec"), platform::Language::English),
              "records 0, 2 of m.rec written and record 3 may have been, not reset: apply the "
              "file again");
    EXPECT_TRUE(gap.any());
    EXPECT_FALSE(RecordsWritten().any());
}

}  // namespace
}  // namespace quelvar::ops
