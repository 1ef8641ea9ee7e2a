// Pure pieces of the console front-end: the command line, module selectors,
// JSON text and file names.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "ops/read_setup_records.h"
#include "ui/console/device_json.h"
#include "ui/console/options.h"
#include "ui/console/file_checks.h"
#include "ui/console/options.h"

namespace quelvar::ui::console {
namespace {

using namespace std::string_literals;

using Outcome = ParsedArguments::Outcome;

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

    // The common options may come before the command, their values as separate words.
    parsed = ParseArguments({"--lang", "ja", "--log", "x.log", "search"});
    ASSERT_EQ(parsed.outcome, Outcome::Run) << parsed.error;
    EXPECT_EQ(parsed.options.command, Command::Search);
    EXPECT_EQ(parsed.options.language, platform::Language::Japanese);
    EXPECT_EQ(parsed.options.logFile, "x.log");
    // Words no command takes are named in the order they were given.
    EXPECT_EQ(ParseArguments({"search", "one", "two"}).error, "not expected: one two");

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
        {"search", "--range", "127.0.0.0/30", "--interface", "lo"},
    };
    for (const auto& arguments : usageErrors) {
        ParsedArguments result = ParseArguments(arguments);
        EXPECT_EQ(result.outcome, Outcome::UsageError) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(result.error.empty());
    }
}

TEST(ConsoleParsing, SelectorsJsonTextAndFileNames) {
    const MacAddress mac{0x02, 0x00, 0x5E, 0xAB, 0xCD, 0xEF};
    auto byMac = ParseDeviceSelector("02:00:5e:ab:cd:ef");
    ASSERT_TRUE(byMac);
    EXPECT_EQ(byMac->text(), "02-00-5E-AB-CD-EF");
    std::vector<discovery::DeviceEntry> found(2);
    found[0].address.octets = {127, 0, 0, 3};
    found[1].address.octets = {127, 0, 0, 2};
    found[1].mac = mac;
    EXPECT_EQ(FindDevice(found, *byMac), &found[1]);
    EXPECT_EQ(FindDevice(found, *ParseDeviceSelector("127.0.0.3")), &found[0]);
    EXPECT_EQ(FindDevice(found, *ParseDeviceSelector("127.0.0.4")), nullptr);
    EXPECT_FALSE(ParseDeviceSelector("nonsense"));

    std::vector<discovery::DeviceEntry> table(1);
    table[0].mac = {2, 0, 0, 0, 0, 9};
    table[0].ipText = "127.0.0.2";
    table[0].address.port = 30718;
    table[0].productLetters = {'"', '\x80'};
    table[0].versionMajor = 6;
    table[0].versionMinor = 1;
    EXPECT_EQ(DevicesJson(table),
              "[{\"mac\":\"02-00-00-00-00-09\",\"ip\":\"127.0.0.2\",\"port\":30718,"
              "\"product\":\"\\\"\\u0080\",\"version\":\"6.1\"}]");
    table[0].productLetters = {'\x01', '\xFF'};
    EXPECT_NE(DevicesJson(table).find("\"product\":\"\\u0001\\u00ff\""), std::string::npos);

    EXPECT_EQ(ops::SafeFileName("a/b\\c\x01.rec"), "a_b_c_.rec");
    EXPECT_EQ(ops::SafeFileName(".."), "_");
    EXPECT_EQ(SaveDestination(std::nullopt, "02-00-00-00-00-09 - 127.0.0.2 - QV - 6.1"),
              std::filesystem::path("02-00-00-00-00-09 - 127.0.0.2 - QV - 6.1.rec"));
    EXPECT_EQ(SaveDestination(std::string("out/module"), "x"),
              std::filesystem::path("out/module.rec"));
    EXPECT_EQ(SaveDestination(std::string("module.bin"), "x"), std::filesystem::path("module.bin"));
}

}  // namespace
}  // namespace quelvar::ui::console
