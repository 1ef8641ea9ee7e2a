// Pure pieces of the console front-end: addresses, the command line, the
// commissioning sheet, record comparison, JSON text and file names.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "ui/console/commission_sheet.h"
#include "ui/console/device_json.h"
#include "ui/console/options.h"
#include "ui/console/record_compare.h"
#include "ui/console/steps.h"

namespace quelvar::ui::console {
namespace {

using namespace std::string_literals;

using Outcome = ParsedArguments::Outcome;

TEST(ConsoleParsing, MacAndIpv4Addresses) {
    MacAddress expected{0x02, 0x00, 0x5E, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(ParseMacAddress("02-00-5E-AB-CD-EF"), expected);
    EXPECT_EQ(ParseMacAddress("02:00:5e:ab:cd:ef"), expected);
    EXPECT_EQ(ParseMacAddress("02-00:5e-Ab:cD-eF"), expected);
    for (const char* bad : {"02-00-5E-AB-CD", "02-00-5E-AB-CD-EF-01", "02-00-5E-AB-CD-EG",
                            "0200-5E-AB-CD-EF-", "02.00.5E.AB.CD.EF", "2-0-5E-AB-CD-EF", ""}) {
        EXPECT_FALSE(ParseMacAddress(bad)) << bad;
    }

    EXPECT_EQ(ParseIpv4Address("127.0.0.2"), (platform::Ipv4Octets{127, 0, 0, 2}));
    EXPECT_EQ(ParseIpv4Address("255.255.255.255"), (platform::Ipv4Octets{255, 255, 255, 255}));
    for (const char* bad : {"127.0.0", "127.0.0.2.1", "256.0.0.1", "127.0.0.02", "0x7f.0.0.1",
                            "127..0.1", " 127.0.0.1", "127.0.0.1 ", "1270.0.0.1", ""}) {
        EXPECT_FALSE(ParseIpv4Address(bad)) << bad;
    }

    auto byMac = ParseDeviceSelector("02:00:5e:ab:cd:ef");
    ASSERT_TRUE(byMac);
    EXPECT_EQ(byMac->text(), "02-00-5E-AB-CD-EF");
    discovery::DeviceTable table;
    table.count = 2;
    table.rows[0].ipText = "127.0.0.3";
    table.rows[1].ipText = "127.0.0.2";
    table.rows[1].mac = expected;
    EXPECT_EQ(FindDevice(table, *byMac), 1);
    EXPECT_EQ(FindDevice(table, *ParseDeviceSelector("127.0.0.3")), 0);
    EXPECT_EQ(FindDevice(table, *ParseDeviceSelector("127.0.0.4")), -1);
    table.count = 1;  // rows beyond the last search's count are stale
    EXPECT_EQ(FindDevice(table, *byMac), -1);
}

TEST(ConsoleParsing, CommandLines) {
    ParsedArguments parsed = ParseArguments({"search", "--json", "--broadcast", "127.0.0.3"});
    ASSERT_EQ(parsed.outcome, Outcome::Run) << parsed.error;
    EXPECT_EQ(parsed.options.command, Command::Search);
    EXPECT_TRUE(parsed.options.json);
    EXPECT_EQ(parsed.options.broadcast, (platform::Ipv4Octets{127, 0, 0, 3}));

    parsed = ParseArguments(
        {"--lang=ja", "load", "02-00-5E-10-00-00", "a.rec", "--yes", "--verify", "--log", "x.log"});
    ASSERT_EQ(parsed.outcome, Outcome::Run) << parsed.error;
    EXPECT_EQ(parsed.options.command, Command::Load);
    EXPECT_EQ(parsed.options.device->kind, DeviceSelector::Kind::Mac);
    EXPECT_EQ(parsed.options.file, "a.rec");
    EXPECT_TRUE(parsed.options.yes);
    EXPECT_TRUE(parsed.options.verify);
    EXPECT_EQ(parsed.options.logFile, "x.log");
    EXPECT_EQ(parsed.options.language, platform::Language::Japanese);

    parsed = ParseArguments({"ping", "127.0.0.2", "--attempts", "3"});
    ASSERT_EQ(parsed.outcome, Outcome::Run);
    EXPECT_EQ(parsed.options.attempts, 3u);
    parsed = ParseArguments({"set-ip", "127.0.0.2", "127.0.0.9"});
    ASSERT_EQ(parsed.outcome, Outcome::Run);
    EXPECT_EQ(parsed.options.address, (platform::Ipv4Octets{127, 0, 0, 9}));
    parsed = ParseArguments({"save", "127.0.0.2", "--output", "-"});
    ASSERT_EQ(parsed.outcome, Outcome::Run);
    EXPECT_EQ(parsed.options.output, "-");

    EXPECT_EQ(ParseArguments({"frob", "--help"}).outcome, Outcome::Help);
    EXPECT_EQ(ParseArguments({"--version"}).outcome, Outcome::Version);

    const std::vector<std::vector<std::string>> usageErrors = {
        {},
        {"frob"},
        {"search", "--frob"},
        {"search", "extra"},
        {"search", "--yes"},        // not an option of search
        {"search", "--broadcast"},  // value missing
        {"search", "--broadcast", "300.1.1.1"},
        {"search", "--json=1"},
        {"ping"},
        {"ping", "127.0.0.2", "--attempts", "0"},
        {"ping", "127.0.0.2", "--attempts", "3x"},
        {"set-ip", "127.0.0.2"},
        {"set-ip", "02-00-5E-10-00", "127.0.0.9"},
        {"set-ip", "127.0.0.2", "127.0.0.256"},
        {"telnet", "nonsense"},
        {"web", "127.0.0.2", "--verify"},
        {"search", "--lang", "de"},
    };
    for (const auto& arguments : usageErrors) {
        ParsedArguments result = ParseArguments(arguments);
        EXPECT_EQ(result.outcome, Outcome::UsageError) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(result.error.empty());
    }
}

TEST(ConsoleParsing, CommissionSheet) {
    CommissionSheet sheet = ParseCommissionSheet(
        "MAC,Address,File\r\n"
        "# first floor\r\n"
        "\r\n"
        "02-00-5E-10-00-00, 127.0.0.20\r\n"
        "\"02:00:5e:10:00:01\",\"127.0.0.21\",\"setup a.rec\"\r\n"
        "02-00-5E-10-00-02,127.0.0.22,\n"
        "   # indented comment\n");
    ASSERT_TRUE(sheet.errors.empty()) << ::testing::PrintToString(sheet.errors);
    ASSERT_EQ(sheet.rows.size(), 3u);
    EXPECT_EQ(sheet.rows[0].line, 4);
    EXPECT_EQ(sheet.rows[0].address, (platform::Ipv4Octets{127, 0, 0, 20}));
    EXPECT_EQ(sheet.rows[0].file, "");
    EXPECT_EQ(sheet.rows[1].mac, (MacAddress{0x02, 0x00, 0x5E, 0x10, 0x00, 0x01}));
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
    EXPECT_EQ(sheet.errors[0], "line 2: malformed MAC address 'mac'");
    EXPECT_EQ(sheet.errors[1], "line 3: malformed address '127.0.0'");
    EXPECT_EQ(sheet.errors[2].rfind("line 4:", 0), 0u);
    EXPECT_EQ(sheet.errors[3].rfind("line 5:", 0), 0u);

    EXPECT_TRUE(ParseCommissionSheet("").rows.empty());
    EXPECT_TRUE(ParseCommissionSheet("mac,address\n").errors.empty());
}

TEST(ConsoleParsing, CommissionSheetAsRfc4180WithHostileFields) {
    // A byte order mark is no part of the header; quoted fields keep commas,
    // doubled quotes and line breaks; a row's line is the line it starts on.
    CommissionSheet sheet = ParseCommissionSheet(
        "\xEF\xBB\xBFmac address,address,file\n"
        "02-00-5E-10-00-00,127.0.0.20,\"a, \"\"b\"\".rec\"\n"
        "02-00-5E-10-00-01,127.0.0.21\n");
    ASSERT_TRUE(sheet.errors.empty()) << ::testing::PrintToString(sheet.errors);
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[0].file, "a, \"b\".rec");
    EXPECT_EQ(sheet.rows[1].line, 3);

    // A first line with a mistyped MAC is a bad row, not a header; a long
    // field is shortened in the message.
    sheet = ParseCommissionSheet("02-00-5E-10-00-0G,127.0.0.20\n" + std::string(100, 'y') +
                                 ",127.0.0.21\n");
    ASSERT_EQ(sheet.errors.size(), 2u);
    EXPECT_EQ(sheet.errors[0], "line 1: malformed MAC address '02-00-5E-10-00-0G'");
    EXPECT_EQ(sheet.errors[1], "line 2: malformed MAC address '" + std::string(40, 'y') + "...'");

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
    EXPECT_EQ(sheet.errors[0], "line 1: a field holds a control character");
    EXPECT_EQ(sheet.errors[1], "line 3: a field holds a control character");
    EXPECT_EQ(sheet.errors[2], "line 4: a field holds a control character");
    EXPECT_EQ(sheet.errors[3], "line 5: a field is longer than 1024 characters");
    EXPECT_EQ(sheet.errors[4], "line 6: no module can hold the address 0.0.0.0");
    EXPECT_EQ(sheet.errors[5], "line 7: no module can hold the address 239.1.1.1");

    // A megabyte of stray quotes is read once, not once per quote.
    sheet = ParseCommissionSheet("02-00-5E-10-00-00,127.0.0.20,a" + std::string(1 << 20, '"'));
    EXPECT_EQ(sheet.errors, (std::vector<std::string>{"line 1: a field is longer than 1024 characters"}));
}

TEST(ConsoleParsing, RecordComparison) {
    auto image = [](std::vector<std::pair<int, std::uint8_t>> records) {
        std::vector<std::uint8_t> bytes{0x04, 'R', 'E', 'C', 'F'};
        for (auto [number, fill] : records) {
            bytes.push_back(static_cast<std::uint8_t>(number));
            bytes.insert(bytes.end(), number == 0 ? 120 : 126, fill);
        }
        return bytes;
    };
    auto applied = ReadSetupRecords(image({{0, 1}, {2, 2}, {3, 3}}));
    ASSERT_TRUE(applied);
    ASSERT_EQ(applied->size(), 3u);
    EXPECT_EQ((*applied)[0].data.size(), 120u);
    EXPECT_EQ((*applied)[1].data.size(), 126u);

    // The module holding more records than the file is no difference.
    auto same = ReadSetupRecords(image({{0, 1}, {2, 2}, {3, 3}, {4, 4}}));
    EXPECT_TRUE(CompareSetupRecords(*applied, *same).empty());

    auto altered = image({{0, 1}, {2, 2}});
    altered[5 + 121 + 1 + 63] ^= 0x5A;  // record 2, data byte 63
    auto differences = CompareSetupRecords(*applied, *ReadSetupRecords(altered));
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0], "record 2: 1 byte(s) differ, first at 63 (file 02, module 58)");
    EXPECT_EQ(differences[1], "record 3: missing on the module");

    EXPECT_FALSE(ReadSetupRecords({0x04, 'R', 'E', 'C'}));
    auto cut = image({{0, 1}});
    cut.pop_back();
    EXPECT_FALSE(ReadSetupRecords(cut));
    EXPECT_TRUE(ReadSetupRecords(image({}))->empty());
}

TEST(ConsoleParsing, JsonTextAndFileNames) {
    discovery::DeviceTable table;
    table.count = 1;
    table.rows[0].mac = {2, 0, 0, 0, 0, 9};
    table.rows[0].ipText = "127.0.0.2";
    table.rows[0].address.port = 30718;
    table.rows[0].productLetters = {'"', '\x80'};
    table.rows[0].versionMajor = 6;
    table.rows[0].versionMinor = 1;
    EXPECT_EQ(DevicesJson(table),
              "[{\"mac\":\"02-00-00-00-00-09\",\"ip\":\"127.0.0.2\",\"port\":30718,"
              "\"product\":\"\\\"\\u0080\",\"version\":\"6.1\"}]");
    table.rows[0].productLetters = {'\x01', '\xFF'};
    EXPECT_NE(DevicesJson(table).find("\"product\":\"\\u0001\\u00ff\""), std::string::npos);

    EXPECT_EQ(SafeFileName("a/b\\c\x01.rec"), "a_b_c_.rec");
    EXPECT_EQ(SafeFileName(".."), "_");
    EXPECT_EQ(SaveDestination(std::nullopt, "02-00-00-00-00-09 - 127.0.0.2 - QV - 6.1"),
              std::filesystem::path("02-00-00-00-00-09 - 127.0.0.2 - QV - 6.1.rec"));
    EXPECT_EQ(SaveDestination(std::string("out/module"), "x"),
              std::filesystem::path("out/module.rec"));
    EXPECT_EQ(SaveDestination(std::string("module.bin"), "x"), std::filesystem::path("module.bin"));
}

}  // namespace
}  // namespace quelvar::ui::console
