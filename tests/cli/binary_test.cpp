// The real quelvarinit-cli program, as a script runs it.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/cli_support.h"
#include "support/sim_fixture.h"

namespace quelvar::testing {
namespace {

using ConsoleProgram = CliTest;

TEST_F(ConsoleProgram, UsageErrorsHelpAndVersion) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"frob"},
                                               {"search", "--frob"},
                                               {"ping", "127.0.0"},
                                               {"save", "02-00-5E-10-00"},
                                               {"load", "127.0.0.2"},
                                               {"set-ip", "127.0.0.2", "1.2.3.4", "--json"}}) {
        CliRun run = RunProgram(arguments);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Try 'quelvarinit-cli --help'."), std::string::npos);
    }
    CliRun run = RunProgram({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage:\n", 0), 0u);
    run = RunProgram({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "quelvarinit-cli 1.04 (build 104)\n");
}

TEST_F(ConsoleProgram, SearchSaveAndRefusedSetIp) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});

    CliRun run = RunProgram({"search"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2);

    run = RunProgram({"save", MacText(farm->module(1)), "--output", "module", "--log", "save.log"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "module.rec\n");
    EXPECT_EQ(run.err, "done.\n");
    std::string log =
        "Save:start.\r\n"
        "telnet:start.connect.success.\r\n"
        "wait\"Mode\"-mon mode.success.\r\n"
        "setup record:recv start.\r\n";
    for (int number : {0, 2, 3, 4, 5, 6, 7, 8}) {
        log += "setup " + std::to_string(number) + " getting...ok\r\n";
    }
    log += "save setuprecord...\r\nsuccess.\r\n";
    EXPECT_EQ(ReadText("save.log"), log);
    EXPECT_EQ(std::filesystem::file_size("module.rec"), 5u + 121u + 7u * 127u);

    // Standard input is no terminal: the question is refused, nothing is sent.
    run = RunProgram({"set-ip", "127.0.0.2", "127.0.0.40", "--log", "set-ip.log"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "Assign the IP address to the device.\nDo you confirm?\n"
              "not confirmed: no terminal to answer on (give --yes to go ahead)\n");
    // Nothing was done: the log holds no operation's trace.
    EXPECT_EQ(ReadText("set-ip.log"), "");
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 2}));
}

}  // namespace
}  // namespace quelvar::testing
