// A setup record file read whole, and its text: a block per record, 16
// bytes a line, the same text for the same bytes; and files that do not read.
#include <gtest/gtest.h>

#include <algorithm>

#include "records/record_dump.h"

namespace quelvar::records {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A file of records of their usual sizes, each data byte its offset + fill.
Bytes fileOf(std::vector<std::pair<std::uint8_t, std::uint8_t>> records) {
    std::vector<Record> list;
    for (auto [number, fill] : records) {
        Record made{number, Bytes(RecordDataSize(number))};
        for (std::size_t i = 0; i < made.data.size(); ++i) {
            made.data[i] = static_cast<std::uint8_t>(fill + i);
        }
        list.push_back(std::move(made));
    }
    return EncodeRecords(list);
}

TEST(RecordDump, ABlockPerRecordSixteenBytesALine) {
    const std::string text = DumpText(ReadFileContents(fileOf({{0, 0x20}, {2, 0x00}})));
    const std::string expected =
        "record 0 (120 bytes)\n"
        "0000  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F  | !\"#$%&'()*+,-./|\n"
        "0010  30 31 32 33 34 35 36 37  38 39 3A 3B 3C 3D 3E 3F  |0123456789:;<=>?|\n"
        "0020  40 41 42 43 44 45 46 47  48 49 4A 4B 4C 4D 4E 4F  |@ABCDEFGHIJKLMNO|\n"
        "0030  50 51 52 53 54 55 56 57  58 59 5A 5B 5C 5D 5E 5F  |PQRSTUVWXYZ[\\]^_|\n"
        "0040  60 61 62 63 64 65 66 67  68 69 6A 6B 6C 6D 6E 6F  |`abcdefghijklmno|\n"
        "0050  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F  |pqrstuvwxyz{|}~.|\n"
        "0060  80 81 82 83 84 85 86 87  88 89 8A 8B 8C 8D 8E 8F  |................|\n"
        "0070  90 91 92 93 94 95 96 97                           |........|\n"
        "\n"
        "record 2 (126 bytes)\n";
    ASSERT_EQ(text.substr(0, expected.size()), expected);
    // 126 bytes: seven full lines and one of fourteen.
    EXPECT_NE(
        text.find("\n0070  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D        |pqrstuvwxyz{|}|\n"),
        std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 8 + 1 + 1 + 8);
    EXPECT_EQ(text, DumpText(ReadFileContents(fileOf({{0, 0x20}, {2, 0x00}}))));

    // No records: no text at all.
    EXPECT_EQ(DumpText(ReadFileContents(fileOf({}))), "");
}

TEST(RecordDump, WhatALoadNeverAppliesIsShownAndSaidSo) {
    // An unusual header is shown; the reader takes any five bytes.
    Bytes odd = fileOf({{4, 0}});
    odd[1] = 'X';
    const std::string start =
        "header 04 58 45 43 46 (not 04 52 45 43 46)\n\nrecord 4 (126 bytes)\n";
    EXPECT_EQ(DumpText(ReadFileContents(odd)).substr(0, start.size()), start);

    // Eleven records: all read, the eleventh marked.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> eleven;
    for (std::uint8_t n = 0; n < 11; ++n) eleven.push_back({n, n});
    const FileContents contents = ReadFileContents(fileOf(eleven));
    ASSERT_EQ(contents.end, FileContents::End::Whole);
    ASSERT_EQ(contents.records.size(), 11u);
    const std::string text = DumpText(contents);
    EXPECT_NE(text.find("\nrecord 9 (126 bytes)\n"), std::string::npos);
    EXPECT_NE(text.find("\nrecord 10 (126 bytes, never applied: after the tenth)\n"),
              std::string::npos);
}

TEST(RecordDump, FilesCutShortDoNotRead) {
    EXPECT_EQ(ReadFileContents(Bytes{0x04, 'R', 'E', 'C'}).end, FileContents::End::InHeader);
    EXPECT_EQ(ReadFileContents(Bytes{}).end, FileContents::End::InHeader);

    Bytes cut = fileOf({{0, 0}, {2, 0}});
    cut.pop_back();
    const FileContents contents = ReadFileContents(cut);
    EXPECT_EQ(contents.end, FileContents::End::InRecord);
    EXPECT_EQ(contents.cutAt, 5u + 121u);
    ASSERT_EQ(contents.records.size(), 1u);  // the whole records before the cut
    EXPECT_EQ(contents.records[0].data.size(), 120u);

    // A number byte alone at the end is a record cut short too.
    Bytes numberOnly = fileOf({{0, 0}});
    numberOnly.push_back(3);
    EXPECT_EQ(ReadFileContents(numberOnly).end, FileContents::End::InRecord);
    EXPECT_EQ(ReadFileContents(numberOnly).cutAt, 5u + 121u);

    const FileContents empty = ReadFileContents(fileOf({}));
    EXPECT_EQ(empty.end, FileContents::End::Whole);
    EXPECT_TRUE(empty.records.empty());
    EXPECT_TRUE(HasUsualHeader(empty));
}

}  // namespace
}  // namespace quelvar::records
