// commission with several workers: rows side by side, sheets refused before
// anything is sent, and Ctrl+C in the middle of a run.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>
#include <thread>
#include <vector>

#include "cli/cli_support.h"
#include "site/commission_report.h"
#include "site/commission_sheet.h"
#include "support/sim_fixture.h"
#include "support/timing.h"

namespace quelvar::testing {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using site::kMaxSheetBytes;
using CommissionTest = CliTest;

// One sheet line per module: its MAC, 127.0.1.(10 + i) and the file.
std::string sheetFor(const sim::Farm& farm, const std::string& file) {
    std::string sheet;
    for (std::size_t i = 0; i < farm.size(); ++i) {
        sheet += MacText(farm.module(static_cast<int>(i))) + ",127.0.1." + std::to_string(10 + i) +
                 "," + file + "\n";
    }
    return sheet;
}

TEST_F(CommissionTest, RowsRunSideBySideAndTheTableSaysWhichFailedAndWhy) {
    QUELVAR_REQUIRE_NETNS();
    std::vector<sim::ModuleConfig> modules;
    for (int i = 0; i < 8; ++i) modules.push_back(sim::DefaultModule(i));
    modules[3].answersStatus = false;                           // found, then silent
    modules[5].monitorFault = sim::MonitorFault::AlterOnWrite;  // takes records wrongly
    auto farm = StartFarm(modules);
    WriteRecordFile("site.rec", sim::DefaultRecords(0x42));
    std::ofstream("site.csv") << sheetFor(*farm, "site.rec");

    CliRun run;
    double seconds = SecondsOf([&] {
        run = RunInProcess(
            {"commission", "site.csv", "--yes", "--jobs", "0", "--verify", "--log-dir", "logs"});
    });
    EXPECT_EQ(run.status, 1);
    // One row alone takes about 15 s (address, load with its reset, read-back);
    // eight one after the other would take two minutes.
    EXPECT_LT(seconds, 45.0);

    std::istringstream table(run.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(table, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 10u) << run.out;
    for (int row = 1; row <= 8; ++row) {
        const std::string& line = lines[static_cast<std::size_t>(row)];
        EXPECT_EQ(line.rfind(std::to_string(row) + " ", 0), 0u) << line;  // sheet order
        if (row == 4) {
            EXPECT_NE(
                line.find("FAIL   set-ip 127.0.0.5 -> 127.0.1.13: the module does not answer"),
                std::string::npos)
                << line;
        } else if (row == 6) {
            EXPECT_NE(line.find("FAIL   ip 127.0.0.7 -> 127.0.1.15; loaded site.rec; verify: "),
                      std::string::npos)
                << line;
        } else {
            EXPECT_NE(line.find("pass   ip 127.0.0." + std::to_string(row + 1) + " -> 127.0.1." +
                                std::to_string(row + 9) + "; loaded site.rec; verified"),
                      std::string::npos)
                << line;
            EXPECT_EQ(farm->module(row - 1).records, sim::DefaultRecords(0x42));
        }
    }
    EXPECT_EQ(lines[9], "6 of 8 row(s) passed");

    // Each row's own trace, every operation of it, byte for byte.
    std::string log = ReadText("logs/row1-" + MacText(farm->module(0)) + ".log");
    EXPECT_NE(log.find("Set IP address:start.\r\nSet IP...success.\r\nping:success:\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("Initialize:success:\r\nping:success:\r\n\r\nInitialize:end.\r\n"),
              std::string::npos);
    // The records read back for the comparison, in memory.
    EXPECT_NE(log.find("setup 8 getting...ok\r\nsave setuprecord...\r\n"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("logs"),
                            std::filesystem::directory_iterator()),
              8);
}

TEST_F(CommissionTest, ContradictionsAndAddressesInUseAreRefusedBeforeAnythingIsSent) {
    QUELVAR_REQUIRE_NETNS();
    // Module 3 answers no search, and status queries with 600 bytes.
    sim::ModuleConfig odd = sim::DefaultModule(3);
    odd.answersSearch = false;
    odd.statusReplySize = 600;
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), sim::DefaultModule(2), odd});
    const std::string mac0 = MacText(farm->module(0));
    const std::string mac1 = MacText(farm->module(1));
    const std::string mac2 = MacText(farm->module(2));

    std::ofstream("twice.csv") << mac0 << ",127.0.1.10\n"
                               << mac1 << ",127.0.1.10\n"
                               << mac0 << ",127.0.1.12\n";
    CliRun run = RunInProcess({"commission", "twice.csv", "--yes"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "twice.csv: lines 1 and 2 give the same address 127.0.1.10\n"
              "twice.csv: lines 1 and 3 name the same module " +
                  mac0 + "\n2 row(s) of twice.csv cannot be used, so nothing is sent\n");
    EXPECT_TRUE(farm->receivedDatagrams().empty());

    // Module 0 is to take module 1's address, module 1 module 3's: refused,
    // the other row goes on.
    std::ofstream("taken.csv") << mac0 << ",127.0.0.3\n"
                               << mac1 << ",127.0.0.5\n"
                               << mac2 << ",127.0.1.12\n";
    run = RunInProcess({"commission", "taken.csv", "--yes", "--jobs", "3"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("FAIL   address in use by " + mac1 + "; nothing sent"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("FAIL   set-ip 127.0.0.3 -> 127.0.0.5: address in use by a device "
                           "that does not say which"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 2}));
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 0, 3}));
    EXPECT_EQ(farm->module(2).address, (platform::Ipv4Octets{127, 0, 1, 12}));

    // In Japanese, the table, the summary and each row's line are Japanese:
    // nothing English is left but addresses and the protocol's terms.
    std::ofstream("taken.csv", std::ios::app) << "02-00-00-99-99-99,127.0.1.13\n";
    run = RunInProcess({"commission", "taken.csv", "--yes", "--jobs", "3", "--lang", "ja"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("行   シート行 MACアドレス", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("失敗   IPアドレスは " + mac1 + " が使用中、何も送信していません"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("成功   IPアドレス 127.0.1.12 のまま"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("失敗   見つかりません"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n4 行中 1 行成功\n"), std::string::npos) << run.out;
    const std::regex addresses("([0-9A-F]{2}-){5}[0-9A-F]{2}|[0-9]+(\\.[0-9]+){3}|IP|MAC|PC");
    EXPECT_FALSE(std::regex_search(std::regex_replace(run.out, addresses, ""), std::regex("[A-Za-z]")))
        << run.out;
    EXPECT_NE(run.err.find("3 行目 " + mac2 + " -> 127.0.1.12: 成功 "), std::string::npos) << run.err;
}

TEST_F(CommissionTest, CtrlCLetsTheStepUnderWayEndAndSummarises) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), sim::DefaultModule(2)});
    WriteRecordFile("site.rec", sim::DefaultRecords(0x42));
    std::ofstream("site.csv") << sheetFor(*farm, "site.rec");

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execl(QUELVARINIT_CLI_PATH, "quelvarinit-cli", "commission", "site.csv", "--yes",
                "--jobs", "1", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(3s);  // row 1 is under way by now
    ::kill(child, SIGINT);
    int status = 0;
    for (int waited = 0; waited < 600 && ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(WIFEXITED(status)) << "the program did not end by itself";
    EXPECT_EQ(WEXITSTATUS(status), 130);

    std::string out = ReadText("out.txt");
    EXPECT_NE(out.find("2    2     " + MacText(farm->module(1)) +
                       " 127.0.1.11      -      not started (interrupted)"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("3    3     " + MacText(farm->module(2)) +
                       " 127.0.1.12      -      not started (interrupted)"),
              std::string::npos)
        << out;
    EXPECT_NE(ReadText("err.txt").find("stopping: rows under way end after their current step"),
              std::string::npos);
    // Row 1 ended its step: a module with all its records or none, never half.
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 0, 3}));
    auto records = farm->module(0).records;
    EXPECT_TRUE(records == sim::DefaultRecords(0x42) || records == sim::DefaultModule(0).records);
}

TEST_F(CommissionTest, ARowWhoseRecordsMoveTheModuleElsewhereFails) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.movesOnReset = true;
    auto farm = StartFarm({module});
    WriteRecordsThatMoveTo("moving.rec", module, {127, 0, 0, 66});
    std::ofstream("site.csv") << sheetFor(*farm, "moving.rec");

    CliRun run = RunInProcess({"commission", "site.csv", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("FAIL   ip 127.0.0.2 -> 127.0.1.10; loaded moving.rec; the records "
                           "moved the module to 127.0.0.66"),
              std::string::npos)
        << run.out;
}

// Waits (at most a minute) until every row's log holds `text`.
bool rowLogsHold(const sim::Farm& farm, const std::string& text) {
    for (int waited = 0; waited < 600; ++waited) {
        bool all = true;
        for (std::size_t i = 0; i < farm.size(); ++i) {
            const std::string log = ReadText("logs/row" + std::to_string(i + 1) + "-" +
                                             MacText(farm.module(static_cast<int>(i))) + ".log");
            all = all && log.find(text) != std::string::npos;
        }
        if (all) return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

int waitForExit(pid_t child) {
    int status = 0;
    for (int waited = 0; waited < 900 && ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        std::this_thread::sleep_for(100ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CommissionTest, ASecondCtrlCWhileModulesAreWrittenWarnsAndLetsTheWritesEnd) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});
    WriteRecordFile("site.rec", sim::DefaultRecords(0x42));
    std::ofstream("site.csv") << sheetFor(*farm, "site.rec");

    pid_t child =
        StartProgram({"commission", "site.csv", "--yes", "--jobs", "0", "--log-dir", "logs"});
    ASSERT_GT(child, 0);
    // The logs are written as the rows go: they tell when the writing began.
    ASSERT_TRUE(rowLogsHold(*farm, "setup:read:0:")) << ReadText("err.txt");
    ::kill(child, SIGINT);
    std::this_thread::sleep_for(300ms);
    ::kill(child, SIGINT);
    EXPECT_EQ(waitForExit(child), 130) << ReadText("err.txt");

    const std::string err = ReadText("err.txt");
    EXPECT_NE(err.find("records are being written into " + MacText(farm->module(0)) + " (row 1), " +
                       MacText(farm->module(1)) +
                       " (row 2): quitting now leaves them half written "
                       "and not reset."),
              std::string::npos)
        << err;
    // Both modules got every record and their reset: nothing is left half written.
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(farm->module(i).records, sim::DefaultRecords(0x42)) << i;
        EXPECT_EQ(farm->resets(i), 1) << i;
    }
    EXPECT_NE(ReadText("out.txt").find("row(s) passed"), std::string::npos);
}

// One module's load: Ctrl+C while its records are written is held and said,
// the records and the reset go through, and then the program ends.
TEST_F(CommissionTest, ALoadHoldsCtrlCWhileTheRecordsAreWritten) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    WriteRecordFile("site.rec", sim::DefaultRecords(0x42));
    pid_t child = StartProgram({"load", "127.0.0.2", "site.rec", "--yes", "--verify"});
    ASSERT_GT(child, 0);
    // The first data line has reached the module: the writing is under way.
    bool writing = false;
    for (int waited = 0; waited < 600 && !writing; ++waited) {
        const auto received = farm->monitorBytesReceived(0);
        writing = std::find(received.begin(), received.end(), ':') != received.end();
        if (!writing) std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(writing) << ReadText("err.txt");
    ::kill(child, SIGINT);
    EXPECT_EQ(waitForExit(child), 130) << ReadText("err.txt");

    EXPECT_NE(ReadText("err.txt").find("the records are being written into the module: quitting "
                                       "now leaves it half written and not reset."),
              std::string::npos)
        << ReadText("err.txt");
    EXPECT_EQ(farm->module(0).records, sim::DefaultRecords(0x42));
    EXPECT_EQ(farm->resets(0), 1);
    // Stopped before the records were read back.
    EXPECT_EQ(farm->monitorConnections(0), 1);
}

// Rows 2 and 3 name modules that are not there: they end together at once,
// while row 1 goes on for seconds more.
TEST_F(CommissionTest, AKilledRunLeavesEachRowsLogAndTheReportOfTheRowsThatEnded) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    WriteRecordFile("site.rec", sim::DefaultRecords(0x42));
    std::ofstream("site.csv") << sheetFor(*farm, "site.rec") << "02-00-5E-7F-00-01,127.0.1.20\n"
                              << "02-00-5E-7F-00-02,127.0.1.21\n";

    pid_t child = StartProgram(
        {"commission", "site.csv", "--yes", "--jobs", "0", "--log-dir", "logs", "--report", "r.json"});
    ASSERT_GT(child, 0);
    ASSERT_TRUE(rowLogsHold(*farm, "mon mode.success.\r\n")) << ReadText("err.txt");
    // A row held back after another is written within about 350 ms; row 1
    // ends many seconds later. The bound leaves room for a loaded machine.
    for (auto limit = std::chrono::steady_clock::now() + 3s;
         std::chrono::steady_clock::now() < limit; std::this_thread::sleep_for(50ms)) {
        ops::Fact ignored;
        const std::optional<site::Report> sofar = site::ParseReport(ReadText("r.json"), ignored);
        if (sofar && sofar->rows.size() == 2) break;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string log = ReadText("logs/row1-" + MacText(farm->module(0)) + ".log");
    EXPECT_EQ(log.rfind("Set IP address:start.\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("Initialize:start.\r\n"), std::string::npos) << log;

    ops::Fact error;
    const std::optional<site::Report> report = site::ParseReport(ReadText("r.json"), error);
    ASSERT_TRUE(report) << ops::KindName(error.kind);
    ASSERT_EQ(report->rows.size(), 2u) << ReadText("r.json");
    EXPECT_EQ(report->rows[0].line, 2);
    EXPECT_EQ(report->rows[1].line, 3);
    for (const site::ReportRow& row : report->rows) EXPECT_EQ(row.row.words(platform::Language::English), "not found");
}

TEST_F(CommissionTest, SheetsThatAreNoRegularFileOfSaneSizeAreRefused) {
    std::filesystem::create_directory("folder.csv");
    ASSERT_EQ(::mkfifo("pipe.csv", 0600), 0);
    std::ofstream("big.csv") << std::string(site::kMaxSheetBytes + 1, '#');
    for (const char* sheet : {"folder.csv", "/dev/zero", "pipe.csv", "big.csv", "missing.csv"}) {
        CliRun run = RunInProcess({"commission", sheet, "--yes"});
        EXPECT_EQ(run.status, 2) << sheet;
        EXPECT_EQ(run.err.rfind("cannot read "s + sheet + ": ", 0), 0u) << run.err;
    }
}

}  // namespace
}  // namespace quelvar::testing
