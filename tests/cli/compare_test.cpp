// dump and diff: a setup record file as text, and two sets of setup records
// compared, each a file or a module, as the user and a script see them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli/cli_support.h"
#include "support/sim_fixture.h"

namespace quelvar::testing {
namespace {

using CompareCommands = CliTest;

// Where the default records of seed 0x40 differ from those below: record 3,
// bytes 16 to 19 (four bytes that change together, as an address does), and
// record 5, byte 0.
std::map<int, sim::Bytes> changedRecords() {
    std::map<int, sim::Bytes> records = sim::DefaultRecords(0x40);
    std::copy_n(sim::Bytes{0xAA, 0xBB, 0xCC, 0xDD}.begin(), 4, records.at(3).begin() + 16);
    records.at(5)[0] = 0x00;
    return records;
}

// The lines diff prints for those two changes, the file's bytes on the left.
const std::string kRecord3Lines =
    "record 3: bytes 0x0010-0x0013 differ\n"
    "  000C  F1 F8 FF 06 0D 14 1B 22  |  F1 F8 FF 06 AA BB CC DD\n"
    "  0014  29 30 37 3E              |  29 30 37 3E\n";
const std::string kRecord5Lines =
    "record 5: bytes 0x0000 differ\n"
    "  0000  DB E2 E9 F0 F7           |  00 E2 E9 F0 F7\n";

TEST_F(CompareCommands, DumpShowsEachRecordAndRefusesAFileThatDoesNotRead) {
    WriteRecordFile("m.rec", sim::DefaultRecords(0x40));
    CliRun run = RunInProcess({"dump", "m.rec"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Record 0 of seed 0x40 begins 40 47 4E ...; record 8 is the last block.
    const std::string start =
        "record 0 (120 bytes)\n"
        "0000  40 47 4E 55 5C 63 6A 71  78 7F 86 8D 94 9B A2 A9  |@GNU\\cjqx.......|\n";
    EXPECT_EQ(run.out.substr(0, start.size()), start);
    for (int number : {0, 2, 3, 4, 5, 6, 7, 8}) {
        const std::string size = number == 0 ? "120" : "126";
        EXPECT_NE(run.out.find("record " + std::to_string(number) + " (" + size + " bytes)\n"),
                  std::string::npos)
            << number;
    }
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 8 * 9 + 7);
    EXPECT_EQ(RunProgram({"dump", "m.rec"}).out, run.out);  // the same from run to run

    std::filesystem::copy_file("m.rec", "cut.rec");
    std::filesystem::resize_file("cut.rec", std::filesystem::file_size("m.rec") - 1);
    run = RunInProcess({"dump", "cut.rec"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "cannot read cut.rec: it ends inside record 8 (which begins at byte " +
                           std::to_string(5 + 121 + 6 * 127) + ")\n");

    std::filesystem::resize_file("cut.rec", 4);
    EXPECT_EQ(RunInProcess({"dump", "cut.rec"}).err,
              "cannot read cut.rec: shorter than the 5-byte header of a setup record file\n");
    run = RunInProcess({"dump", "none.rec"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "cannot read none.rec: no such file\n");
    EXPECT_EQ(RunInProcess({"dump"}).status, 2);
    EXPECT_EQ(RunInProcess({"dump", "m.rec", "cut.rec"}).status, 2);
}

TEST_F(CompareCommands, DiffOfTwoFilesShowsEachRangeSideBySide) {
    WriteRecordFile("a.rec", sim::DefaultRecords(0x40));
    std::map<int, sim::Bytes> changed = changedRecords();
    changed.erase(8);
    WriteRecordFile("b.rec", changed);

    CliRun run = RunInProcess({"diff", "a.rec", "b.rec"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "left:  a.rec\n"
                       "right: b.rec\n" +
                           kRecord3Lines + kRecord5Lines +
                           "record 8 (126 bytes): only in a.rec\n"
                           "3 of 8 record(s) differ\n");

    // The other way round: the sides change places.
    run = RunInProcess({"diff", "b.rec", "a.rec"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("  0014  29 30 37 3E              |  29 30 37 3E\n"
                           "record 5: bytes 0x0000 differ\n"
                           "  0000  00 E2 E9 F0 F7           |  DB E2 E9 F0 F7\n"
                           "record 8 (126 bytes): only in a.rec\n"),
              std::string::npos)
        << run.out;

    run = RunInProcess({"diff", "a.rec", "a.rec"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "a.rec and a.rec hold the same 8 record(s)\n");

    // In Japanese, every word of it.
    run = RunInProcess({"diff", "a.rec", "b.rec", "--lang", "ja"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.substr(0, run.out.find("  000C")),
              "左: a.rec\n右: b.rec\nrecord 3: 0x0010-0x0013 バイト目が異なります\n");
    EXPECT_NE(run.out.find("record 8 (126 バイト): a.rec にのみあります\n"
                           "8 件中 3 件の record が異なります\n"),
              std::string::npos)
        << run.out;
    for (const char* english : {"left", "right", "differ", "only", "bytes"}) {
        EXPECT_EQ(run.out.find(english), std::string::npos) << english;
    }

    // Nothing to compare: a side that does not read, or one side only.
    std::filesystem::resize_file("b.rec", 100);
    run = RunInProcess({"diff", "a.rec", "b.rec"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "cannot read b.rec: it ends inside record 0 (which begins at byte 5)\n");
    EXPECT_EQ(RunInProcess({"diff", "a.rec"}).status, 2);
    EXPECT_EQ(RunInProcess({"diff", "a.rec", "b.rec", "c.rec"}).status, 2);
}

TEST_F(CompareCommands, DiffOfAFileAndAModuleReadsTheModuleOnly) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records = changedRecords();
    auto farm = StartFarm({module});
    WriteRecordFile("a.rec", sim::DefaultRecords(0x40));

    CliRun run = RunInProcess({"diff", "a.rec", "127.0.0.2"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "left:  a.rec\n"
                       "right: module 02-00-5E-10-00-00 at 127.0.0.2\n" +
                           kRecord3Lines + kRecord5Lines + "2 of 8 record(s) differ\n");

    WriteRecordFile("same.rec", changedRecords());
    run = RunInProcess({"diff", MacText(module), "same.rec"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "module 02-00-5E-10-00-00 at 127.0.0.2 and same.rec hold the same 8 record(s)\n");

    // Read, never written: the module holds what it held, and was not reset.
    EXPECT_EQ(farm->module(0).records, changedRecords());
    EXPECT_EQ(farm->resets(0), 0);
    EXPECT_EQ(farm->monitorConnections(0), 2);

    // A module that is not there leaves nothing to compare.
    run = RunInProcess({"diff", "a.rec", "127.0.0.9"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "no module answers at 127.0.0.9\n");
}

TEST_F(CompareCommands, DiffOfTwoModules) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig first = sim::DefaultModule(0);
    sim::ModuleConfig second = sim::DefaultModule(1);
    first.records = sim::DefaultRecords(0x40);
    second.records = changedRecords();
    second.records.erase(8);
    auto farm = StartFarm({first, second});

    CliRun run = RunInProcess({"diff", "127.0.0.2", MacText(second)});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "left:  module 02-00-5E-10-00-00 at 127.0.0.2\n"
                       "right: module 02-00-5E-10-00-01 at 127.0.0.3\n" +
                           kRecord3Lines + kRecord5Lines +
                           "record 8 (126 bytes): only in module 02-00-5E-10-00-00 at 127.0.0.2\n"
                           "3 of 8 record(s) differ\n");
    EXPECT_EQ(farm->monitorConnections(0), 1);
    EXPECT_EQ(farm->monitorConnections(1), 1);
}

}  // namespace
}  // namespace quelvar::testing
