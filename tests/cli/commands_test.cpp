// The console commands run in-process against simulated modules: each
// command's success and its main failure, as the user and a script see them.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <streambuf>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"
#include "support/recording_launcher.h"
#include "support/sim_fixture.h"

namespace quelvar::testing {
namespace {

using namespace std::string_literals;

std::string deviceLine(const sim::ModuleConfig& module) {
    char line[96];
    std::snprintf(line, sizeof line, "%s - %u.%u.%u.%u - %c%c - %d.%d", MacText(module).c_str(),
                  module.address[0], module.address[1], module.address[2], module.address[3],
                  module.productLetters[0], module.productLetters[1], module.versionMajor,
                  module.versionMinor);
    return line;
}

// How many datagrams other than search requests the modules received.
std::size_t datagramsBesidesSearches(const sim::Farm& farm) {
    std::size_t count = 0;
    for (const sim::ReceivedDatagram& datagram : farm.receivedDatagrams()) {
        if (datagram.bytes.size() < 4 || datagram.bytes[3] != 0xF6) ++count;
    }
    return count;
}

const std::string kApplyQuestion = "Apply the setup record to the device.\nDo you confirm?\n";
const std::string kAssignQuestion = "Assign the IP address to the device.\nDo you confirm?\n";

std::string fullLoadLog(const std::vector<int>& numbers) {
    std::string log =
        "Initialize:start.\r\n"
        "setup record:open.header skip.success.\r\n"
        "telnet:start.connect.success.\r\n"
        "mon mode.success.\r\n"
        "setup record:send start.\r\n";
    for (int number : numbers) {
        log += "setup:read:" + std::to_string(number) + ":cmd:read:send:footer:success.\r\n";
    }
    return log +
           "setup:device reset:send:success.\r\n"
           "Initialize:success:\r\n"
           "ping:success:\r\n"
           "\r\n"
           "Initialize:end.\r\n";
}

using ConsoleCommands = CliTest;

TEST_F(ConsoleCommands, SearchListsLinesJsonAndOneAddress) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), sim::DefaultModule(2)});

    CliRun run = RunInProcess({"search"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::string expected;
    for (int i = 0; i < 3; ++i) expected += deviceLine(farm->module(i)) + "\n";
    EXPECT_EQ(run.out, expected);

    run = RunInProcess({"search", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto devices = nlohmann::json::parse(run.out);
    ASSERT_EQ(devices.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const auto& device = devices[static_cast<std::size_t>(i)];
        sim::ModuleConfig module = farm->module(i);
        EXPECT_EQ(device.at("mac"), MacText(module));
        EXPECT_EQ(device.at("ip"), "127.0.0." + std::to_string(2 + i));
        EXPECT_EQ(device.at("port"), 30718);
        EXPECT_EQ(device.at("product"), std::string(module.productLetters.data(), 2));
        EXPECT_EQ(device.at("version"),
                  std::to_string(module.versionMajor) + "." + std::to_string(module.versionMinor));
    }

    // Aimed at one module's own address, only that module hears the request.
    run = RunInProcess({"search", "--broadcast", "127.0.0.3"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, deviceLine(farm->module(1)) + "\n");

    // Nobody there: the window's "not found." and a failure.
    run = RunInProcess({"search", "--broadcast", "127.0.0.99", "--log", "search.log"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "not found.\n");
    EXPECT_EQ(ReadText("search.log"), "QUELVAR is not found.\r\n");

    run = RunInProcess({"search", "--broadcast", "127.0.0.99", "--lang", "ja"});
    EXPECT_EQ(run.err, "発見できませんでした。\n");
}

TEST_F(ConsoleCommands, PingAnsweringAndSilentModule) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig silent = sim::DefaultModule(1);
    silent.answersStatus = false;
    auto farm = StartFarm({sim::DefaultModule(0), silent});

    CliRun run = RunInProcess({"ping", "127.0.0.2"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "127.0.0.2 answers.\n");

    run = RunInProcess({"ping", "127.0.0.3", "--attempts", "2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "The device cannot communicate.\n");
}

TEST_F(ConsoleCommands, SetIpAssignsAddressOrSendsNothing) {
    QUELVAR_REQUIRE_NETNS();
    // Module 2 answers no search, and status queries with 600 bytes.
    sim::ModuleConfig odd = sim::DefaultModule(2);
    odd.answersSearch = false;
    odd.statusReplySize = 600;
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), odd});
    std::string mac = MacText(farm->module(1));

    // No module of that MAC: nothing but the search goes out.
    CliRun run = RunInProcess({"set-ip", "02-00-00-99-99-99", "127.0.0.20", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "no module 02-00-00-99-99-99 among the modules found\n");
    // No terminal and no --yes: the question is shown and refused.
    run = RunInProcess({"set-ip", mac, "127.0.0.20"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind(kAssignQuestion, 0), 0u) << run.err;
    // A user at a terminal who answers anything but "y".
    run = RunInProcess({"set-ip", mac, "127.0.0.20"}, "n\n", true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(datagramsBesidesSearches(*farm), 0u);
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 0, 3}));

    // Whatever answers at the new address holds it: nothing is sent, and no "done.".
    run = RunInProcess({"set-ip", mac, "127.0.0.4", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, kAssignQuestion +
                           "Another device already answers at 127.0.0.4; it does not say which.\n"
                           "The IP address was not assigned.\n");
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 0, 3}));

    // "y" at the terminal, in lower-case MAC form.
    std::string lower = mac;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::replace(lower.begin(), lower.end(), '-', ':');
    run = RunInProcess({"set-ip", lower, "127.0.0.20", "--log", "set-ip.log"}, "y\n", true);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, kAssignQuestion + "[y/N] done.\n");
    EXPECT_EQ(ReadText("set-ip.log"),
              "Set IP address:start.\r\nSet IP...success.\r\nping:success:\r\n\r\n"
              "Set IP address:end.\r\n");
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 0, 20}));
}

TEST_F(ConsoleCommands, SetIpWithoutAnswerAtNewAddressFailsAfterDone) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig slow = sim::DefaultModule(0);
    slow.ipSetupDelay = std::chrono::seconds(40);  // stays away past the ten status queries
    auto farm = StartFarm({slow});

    CliRun run = RunInProcess({"set-ip", "127.0.0.2", "127.0.0.30", "--yes", "--log", "x.log"});
    EXPECT_EQ(run.status, 1);
    // While the module still answers where it was, the command may have been
    // lost: it goes out again, up to four times in all.
    const std::string resent = "the module still answers at 127.0.0.2: IP-SETUP sent again\n";
    EXPECT_EQ(run.err, kAssignQuestion + resent + resent + resent + "done.\n" +
                           "set-ip: no answer at the new address\n");
    EXPECT_EQ(ReadText("x.log"),
              "Set IP address:start.\r\nSet IP...success.\r\nping:error !\r\n"
              "Set IP...success.\r\nping:error !\r\nSet IP...success.\r\nping:error !\r\n"
              "Set IP...success.\r\nping:error !\r\n\r\nSet IP address:end.\r\n");
}

TEST_F(ConsoleCommands, SaveToDefaultNameAndOverwriteOnlyWhenConfirmed) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    std::string name = deviceLine(farm->module(0)) + ".rec";

    CliRun run = RunInProcess({"save", "127.0.0.2"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "done.\n");
    EXPECT_EQ(run.out, name + "\n");
    EXPECT_EQ(std::filesystem::file_size(name), 5u + 121u + 7u * 127u);
    EXPECT_EQ(farm->monitorConnections(0), 1);

    // The file is there now: refused without a terminal, before the module is read.
    std::filesystem::resize_file(name, 5);
    run = RunInProcess({"save", "127.0.0.2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, name +
                           " exists. Replace it?\n"
                           "not confirmed: no terminal to answer on (give --yes to go ahead)\n");
    EXPECT_EQ(std::filesystem::file_size(name), 5u);
    EXPECT_EQ(farm->monitorConnections(0), 1);

    run = RunInProcess({"save", "127.0.0.2", "--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(name), 5u + 121u + 7u * 127u);

    // --output without extension gets ".rec", as the save dialog gives it.
    run = RunInProcess({"save", MacText(farm->module(0)), "--output", "copy"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "copy.rec\n");
    EXPECT_EQ(ReadText("copy.rec"), ReadText(name));
}

TEST_F(ConsoleCommands, LoadAppliesAnyPathWithTheWindowsLog) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    std::filesystem::create_directories("sub dir");
    // Any name: the folder's file list would leave out a name without ".rec".
    std::map<int, sim::Bytes> records = sim::DefaultRecords(0x40);
    WriteRecordFile("sub dir/new setup.bin", records);

    CliRun run = RunInProcess({"load", "02-00-00-99-99-99", "sub dir/new setup.bin", "--yes"});
    EXPECT_EQ(run.status, 1);
    run = RunInProcess({"load", "127.0.0.2", "missing.rec", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "cannot read missing.rec\n");
    run = RunInProcess({"load", "127.0.0.2", "sub dir/new setup.bin"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(farm->monitorConnections(0), 0);

    run = RunInProcess(
        {"load", "127.0.0.2", (folder_ / "sub dir/new setup.bin").string(), "--yes", "--log", "l"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, kApplyQuestion + "done.\n");
    EXPECT_EQ(ReadText("l"), fullLoadLog({0, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(farm->module(0).records, records);
    EXPECT_EQ(farm->resets(0), 1);
}

// The question is answered after the file was replaced: what is applied is
// the file as it was read and checked before, never what stands there now.
TEST_F(ConsoleCommands, LoadAppliesTheFileAsItWasReadBeforeTheQuestion) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    WriteRecordFile("site.rec", sim::DefaultRecords(0x11));
    // Standard input that replaces the file when it is read for the answer.
    struct ReplacedOnAnswer : std::streambuf {
        std::string answer = "y\n";
        bool replaced = false;
        int_type underflow() override {
            if (replaced) return traits_type::eof();
            replaced = true;
            WriteRecordFile("site.rec", sim::DefaultRecords(0x22));
            setg(answer.data(), answer.data(), answer.data() + answer.size());
            return traits_type::to_int_type(answer[0]);
        }
    } buffer;
    std::istream input(&buffer);

    CliRun run = RunInProcess({"load", "127.0.0.2", "site.rec"}, input, true);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(buffer.replaced);
    EXPECT_EQ(farm->module(0).records, sim::DefaultRecords(0x11));
}

TEST_F(ConsoleCommands, LoadSaysWhereRecordsThatMoveTheModuleTookItAndVerifiesThere) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.movesOnReset = true;
    auto farm = StartFarm({module});
    const platform::Ipv4Octets elsewhere{127, 0, 0, 66};
    WriteRecordsThatMoveTo("moving.rec", module, elsewhere);

    CliRun run = RunInProcess(
        {"load", "127.0.0.2", "moving.rec", "--yes", "--verify", "--log", "both.log"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "back at 127.0.0.66\nverify: the module holds every record of moving.rec\n");
    EXPECT_EQ(run.err, kApplyQuestion + "the module came back at 127.0.0.66\ndone.\n");
    EXPECT_EQ(farm->module(0).address, elsewhere);
    // The log keeps the whole run: the load's trace, then the read-back's.
    const std::string log = ReadText("both.log");
    EXPECT_EQ(log.rfind("Initialize:start.\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("\r\nInitialize:end.\r\nSave:start.\r\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("save setuprecord...\r\n")) << log;
}

TEST_F(ConsoleCommands, LoadVerifyCatchesAlteredRecords) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig altering = sim::DefaultModule(0);
    altering.monitorFault = sim::MonitorFault::AlterOnWrite;
    auto farm = StartFarm({altering});
    std::map<int, sim::Bytes> records{{0, sim::DefaultRecords(0x40).at(0)},
                                      {3, sim::DefaultRecords(0x40).at(3)}};
    WriteRecordFile("two.rec", records);

    CliRun run = RunInProcess({"load", "127.0.0.2", "two.rec", "--yes", "--verify"});
    EXPECT_EQ(run.status, 1);
    // The module flips one byte in the middle of every record it stores.
    auto difference = [&](int number, std::size_t at) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "record %d: 1 byte(s) differ, first at %zu (file %02X, module %02X)\n",
                      number, at, records[number][at], records[number][at] ^ 0x5A);
        return std::string(text);
    };
    EXPECT_EQ(run.out, difference(0, 60) + difference(3, 63));
    EXPECT_EQ(run.err, kApplyQuestion + "done.\nverify: the module differs from two.rec\n");
    EXPECT_EQ(farm->monitorConnections(0), 2);  // the load, then the read-back
}

TEST_F(ConsoleCommands, TelnetAndWebHandOverTheAddress) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig silent = sim::DefaultModule(1);
    silent.answersStatus = false;
    auto farm = StartFarm({sim::DefaultModule(0), silent});
    RecordingLauncher launcher;

    CliRun run = RunInProcess({"telnet", MacText(farm->module(0))}, "", false, &launcher);
    EXPECT_EQ(run.status, 0) << run.err;
    run = RunInProcess({"web", "127.0.0.2"}, "", false, &launcher);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(launcher.telnetStarts, std::vector<std::string>{"127.0.0.2 9999"});
    EXPECT_EQ(launcher.urls, std::vector<std::string>{"http://127.0.0.2"});

    run = RunInProcess({"web", "127.0.0.3"}, "", false, &launcher);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "The device cannot communicate.\n");
    launcher.telnetResult = platform::StartResult::NotFound;
    run = RunInProcess({"telnet", "127.0.0.2"}, "", false, &launcher);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Telnet is not installed. \n");
    EXPECT_EQ(launcher.urls.size(), 1u);
}

TEST_F(ConsoleCommands, CommissionSheetWithOneBadRow) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});
    std::filesystem::create_directories("sheets");
    std::map<int, sim::Bytes> records{{2, sim::DefaultRecords(0x77).at(2)}};
    WriteRecordFile("sheets/second.rec", records);
    std::ofstream("sheets/site.csv") << "mac,address,file\n"
                                        "# lobby\n"
                                     << MacText(farm->module(0)) << ",127.0.0.20\n"
                                     << "02-00-00-99-99-99,127.0.0.21\n"
                                     << MacText(farm->module(1)) << ",127.0.0.22,second.rec\n";

    // Not confirmed: nothing at all is sent.
    CliRun run = RunInProcess({"commission", "sheets/site.csv"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(farm->receivedDatagrams().empty());

    run = RunInProcess({"commission", "sheets/site.csv", "--yes"});
    EXPECT_EQ(run.status, 1) << run.err;
    std::string mac0 = MacText(farm->module(0));
    std::string mac1 = MacText(farm->module(1));
    EXPECT_EQ(run.out,
              "ROW  LINE  MAC               ADDRESS         RESULT DETAIL\n"
              "1    3     " +
                  mac0 +
                  " 127.0.0.20      pass   ip 127.0.0.2 -> 127.0.0.20\n"
                  "2    4     02-00-00-99-99-99 127.0.0.21      FAIL   not found\n"
                  "3    5     " +
                  mac1 +
                  " 127.0.0.22      pass   ip 127.0.0.3 -> 127.0.0.22; "
                  "loaded second.rec\n"
                  "2 of 3 row(s) passed\n");
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 20}));
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 0, 22}));
    EXPECT_EQ(farm->module(1).records.at(2), records.at(2));

    // A malformed sheet is a usage error, reported by line.
    std::ofstream("bad.csv") << "02-00-00-99-99-99,127.0.0.300\n";
    run = RunInProcess({"commission", "bad.csv", "--yes"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "bad.csv: line 1: malformed address '127.0.0.300'\n"
                       "1 row(s) of bad.csv cannot be used, so nothing is sent\n");
}

TEST_F(ConsoleCommands, ASiteBeyondTheWindowsListIsListedWhole) {
    QUELVAR_REQUIRE_NETNS();
    std::vector<sim::ModuleConfig> modules;
    for (int i = 0; i < 300; ++i) modules.push_back(sim::DefaultModule(i));
    auto farm = StartFarm(modules);
    // The window lists 256; a console search keeps every module.
    CliRun run = RunInProcess({"search", "--json"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(nlohmann::json::parse(run.out).size(), 300u);
    // A module named by its address is asked there.
    RecordingLauncher launcher;
    const std::string last = platform::formatIpv4(farm->module(299).address);
    run = RunInProcess({"web", last}, "", false, &launcher);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(launcher.urls, (std::vector<std::string>{"http://" + last}));
}

TEST_F(ConsoleCommands, LoadRefusesFilesNoDownloadWritesUnlessForced) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    std::ofstream("notes.rec") << "these are not setup records, but a text file someone named .rec";
    CliRun run = RunInProcess({"load", "127.0.0.2", "notes.rec", "--yes"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "notes.rec does not start with the setup record header (04 \"RECF\"); "
              "not applied (give --force to apply it as it stands)\n");
    WriteRecordFile("nine.rec", {{9, sim::Bytes(126, 0x55)}});
    run = RunInProcess({"load", "127.0.0.2", "nine.rec", "--yes"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("holds record 9, which no module gives in a download"),
              std::string::npos);
    EXPECT_EQ(farm->monitorConnections(0), 0);

    // Forced, the file goes as it stands; one cut short still sends nothing.
    run = RunInProcess({"load", "127.0.0.2", "notes.rec", "--yes", "--force"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ReadError\n"), std::string::npos);
    EXPECT_EQ(farm->monitorConnections(0), 0);
    run = RunInProcess({"load", "127.0.0.2", "nine.rec", "--yes", "--force"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(farm->module(0).records.at(9), sim::Bytes(126, 0x55));
}

TEST_F(ConsoleCommands, SaveChecksItsDestinationFirstAndTakesFolders) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    CliRun run = RunInProcess({"save", "127.0.0.2", "--output", "missing/sub/x"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "cannot write missing/sub/x.rec: No such file or directory\n");
    EXPECT_EQ(farm->monitorConnections(0), 0);

    std::filesystem::create_directory("out");
    const std::string name = deviceLine(farm->module(0)) + ".rec";
    for (const char* folder : {"out/", "out", "."}) {
        run = RunInProcess({"save", "127.0.0.2", "--output", folder, "--yes"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, (std::filesystem::path(folder) / name).string() + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_regular_file("out/" + name));
    EXPECT_TRUE(std::filesystem::is_regular_file(name));
}

}  // namespace
}  // namespace quelvar::testing
