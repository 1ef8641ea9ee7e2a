// Commissioning sheets: what a technician writes, and what a hostile file holds.
#include <gtest/gtest.h>

#include "site/commission_sheet.h"

namespace quelvar::site {
namespace {

// The errors as the console words them in English.
std::vector<std::string> words(const std::vector<ops::Fact>& errors) {
    std::vector<std::string> worded;
    for (const ops::Fact& error : errors) worded.push_back(ops::WordsOf(error, platform::Language::English));
    return worded;
}

using namespace std::string_literals;

TEST(CommissionSheet, RowsCommentsAndEveryBadLine) {
    CommissionSheet sheet = ParseCommissionSheet(
        "MAC,Address,File\r\n"
        "# first floor\r\n"
        "\r\n"
        "02-00-5E-10-00-00, 127.0.0.20\r\n"
        "\"02:00:5e:10:00:01\",\"127.0.0.21\",\"setup a.rec\"\r\n"
        "02-00-5E-10-00-02,127.0.0.22,\n"
        "   # indented comment\n");
    ASSERT_TRUE(sheet.errors.empty()) << ::testing::PrintToString(words(sheet.errors));
    ASSERT_EQ(sheet.rows.size(), 3u);
    EXPECT_EQ(sheet.rows[0].line, 4);
    EXPECT_EQ(sheet.rows[0].address, (platform::Ipv4Octets{127, 0, 0, 20}));
    EXPECT_EQ(sheet.rows[0].file, "");
    EXPECT_EQ(sheet.rows[1].mac, (discovery::MacAddress{0x02, 0x00, 0x5E, 0x10, 0x00, 0x01}));
    EXPECT_EQ(sheet.rows[1].file, "setup a.rec");
    EXPECT_EQ(sheet.rows[2].file, "");

    // Without a header the first line is a row; every bad line is reported.
    sheet = ParseCommissionSheet(
        "02-00-5E-10-00-00,127.0.0.20\n"
        "mac,address\n"
        "02-00-5E-10-00-01,127.0.0\n"
        "02-00-5E-10-00-02\n"
        "02-00-5E-10-00-03,127.0.0.23,a.rec,extra\n");
    EXPECT_EQ(sheet.rows.size(), 1u);
    ASSERT_EQ(sheet.errors.size(), 4u);
    EXPECT_EQ(words(sheet.errors)[0], "line 2: malformed MAC address 'mac'");
    EXPECT_EQ(words(sheet.errors)[1], "line 3: malformed address '127.0.0'");
    EXPECT_EQ(words(sheet.errors)[2].rfind("line 4:", 0), 0u);
    EXPECT_EQ(words(sheet.errors)[3].rfind("line 5:", 0), 0u);

    EXPECT_TRUE(ParseCommissionSheet("").rows.empty());
    EXPECT_TRUE(ParseCommissionSheet("mac,address\n").errors.empty());
}

TEST(CommissionSheet, Rfc4180WithHostileFields) {
    // A byte order mark is no part of the header; quoted fields keep commas,
    // doubled quotes and line breaks; a row's line is the line it starts on.
    CommissionSheet sheet = ParseCommissionSheet(
        "\xEF\xBB\xBFmac address,address,file\n"
        "02-00-5E-10-00-00,127.0.0.20,\"a, \"\"b\"\".rec\"\n"
        "02-00-5E-10-00-01,127.0.0.21\n");
    ASSERT_TRUE(sheet.errors.empty()) << ::testing::PrintToString(words(sheet.errors));
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[0].file, "a, \"b\".rec");
    EXPECT_EQ(sheet.rows[1].line, 3);

    // A first line with a mistyped MAC is a bad row, not a header; a long
    // field is shortened in the message.
    sheet = ParseCommissionSheet("02-00-5E-10-00-0G,127.0.0.20\n" + std::string(100, 'y') +
                                 ",127.0.0.21\n");
    ASSERT_EQ(sheet.errors.size(), 2u);
    EXPECT_EQ(words(sheet.errors)[0], "line 1: malformed MAC address '02-00-5E-10-00-0G'");
    EXPECT_EQ(words(sheet.errors)[1], "line 2: malformed MAC address '" + std::string(40, 'y') + "...'");

    const std::string huge(1 << 20, 'x');
    sheet = ParseCommissionSheet(
        "02-00-5E-10-00-00,127.0.0.20,\"two\nlines.rec\"\n"     // lines 1-2
        "02-00-5E-10-00-01,127.0.0.21,a\x1B[2J.rec\n"             // line 3
        "02-00-5E-10-00-02,127.0.0.22,a.rec"s + '\0' + "b.rec\n" +  // line 4
        "02-00-5E-10-00-03," + huge + "\n"                          // line 5
        "02-00-5E-10-00-04,0.0.0.0\n"                              // line 6
        "02-00-5E-10-00-05,239.1.1.1\n"                            // line 7
        "02-00-5E-10-00-06,127.0.0.26\n");
    ASSERT_EQ(sheet.rows.size(), 1u);
    EXPECT_EQ(sheet.rows[0].line, 8);
    ASSERT_EQ(sheet.errors.size(), 6u);
    EXPECT_EQ(words(sheet.errors)[0], "line 1: a field holds a control character");
    EXPECT_EQ(words(sheet.errors)[1], "line 3: a field holds a control character");
    EXPECT_EQ(words(sheet.errors)[2], "line 4: a field holds a control character");
    EXPECT_EQ(words(sheet.errors)[3], "line 5: a field is longer than 1024 characters");
    EXPECT_EQ(words(sheet.errors)[4], "line 6: no module can hold the address 0.0.0.0");
    EXPECT_EQ(words(sheet.errors)[5], "line 7: no module can hold the address 239.1.1.1");

    // A megabyte of stray quotes is read once, not once per quote.
    sheet = ParseCommissionSheet("02-00-5E-10-00-00,127.0.0.20,a" + std::string(1 << 20, '"'));
    EXPECT_EQ(words(sheet.errors), (std::vector<std::string>{"line 1: a field is longer than 1024 characters"}));
}

}  // namespace
}  // namespace quelvar::site
