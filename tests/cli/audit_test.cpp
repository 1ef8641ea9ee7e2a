// audit: simulated modules (and a backup of them) compared with a reference
// file, as the user and a script see it; what is refused before anything is sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"
#include "support/sim_fixture.h"

namespace quelvar::testing {
namespace {

using AuditCommand = CliTest;

std::map<int, sim::Bytes> referenceRecords() { return sim::DefaultRecords(0x40); }

// Four modules: 0 to 2 each with an address of its own in record 0, bytes
// 4-7, which the reference does not hold; 1 also with record 3, bytes 16-19
// changed; 2 without record 8; 3 holding the reference itself (the module
// it was saved from).
std::vector<sim::ModuleConfig> site() {
    std::vector<sim::ModuleConfig> modules;
    for (int i = 0; i < 4; ++i) {
        sim::ModuleConfig module = sim::DefaultModule(i);
        module.records = referenceRecords();
        if (i < 3) {
            const sim::Bytes own{0xC0, 0xA8, 0x01, static_cast<std::uint8_t>(10 + i)};
            std::copy(own.begin(), own.end(), module.records.at(0).begin() + 4);
        }
        modules.push_back(module);
    }
    std::copy_n(sim::Bytes{0xAA, 0xBB, 0xCC, 0xDD}.begin(), 4, modules[1].records.at(3).begin() + 16);
    modules[2].records.erase(8);
    return modules;
}

const std::string kPattern =
    "record 0, bytes 4-7: differs on 3 of 4 modules (--ignore 0:4-7)\n";
const std::string kModule2 =
    "module 02-00-5E-10-00-02 at 127.0.0.4: lacks record(s) 8\n"
    "  differs only as every module does (above)\n";
const std::string kModule1 =
    "module 02-00-5E-10-00-01 at 127.0.0.3: differs in 2 record(s)\n"
    "  record 3, bytes 16-19: reference 0D 14 1B 22, module AA BB CC DD\n";
const std::string kModule0 =
    "module 02-00-5E-10-00-00 at 127.0.0.2: differs in 1 record(s)\n"
    "  differs only as every module does (above)\n";
const std::string kModule3 = "module 02-00-5E-10-00-03 at 127.0.0.5: same\n";

TEST_F(AuditCommand, LiveModulesShowThePatternOnceThenEachModuleWorstFirst) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm(site());
    WriteRecordFile("ref.rec", referenceRecords());

    CliRun run = RunInProcess({"audit", "ref.rec", "--jobs", "0", "--report", "audit.json"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, kPattern + kModule2 + kModule1 + kModule0 + kModule3 +
                           "4 module(s): 1 same, 2 differ, 1 lack records, 0 hold records beyond "
                           "the reference, 0 could not be read, 0 not found\n");
    const nlohmann::json report = nlohmann::json::parse(ReadText("audit.json"));
    EXPECT_EQ(report["task"], "audit");
    EXPECT_EQ(report["reference"]["file"], "ref.rec");
    EXPECT_EQ(report["reference"]["sha256"].get<std::string>().size(), 64u);
    EXPECT_EQ(report["patterns"][0]["ignore"], "0:4-7");
    EXPECT_EQ(report["modules"][0]["missing"], nlohmann::json::array({8}));
    EXPECT_EQ(report["modules"][1]["differences"][1],
              nlohmann::json::parse(R"({"record":3,"offset":16,"length":4,"reference":"0D141B22",
                                        "module":"AABBCCDD","pattern":false})"));

    // Modules named, the per-module value ignored: one found nowhere comes
    // first; those found are the same.
    run = RunInProcess({"audit", "ref.rec", "127.0.0.2", "02-00-5E-10-00-99", MacText(farm->module(3)),
                        "--ignore", "0:4-7", "--lang", "ja"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "機器 02-00-5E-10-00-99: 見つかりません\n"
                       "127.0.0.2 の機器 02-00-5E-10-00-00: 同じ\n"
                       "127.0.0.5 の機器 02-00-5E-10-00-03: 同じ\n"
                       "機器 3 台: 同じ 2、異なる 0、record 不足 0、基準ファイルにない record あり 0、"
                       "読めない 0、見つからない 1\n");
    run = RunInProcess({"audit", "ref.rec", "127.0.0.2", "127.0.0.4", "--ignore", "0:4-7",
                        "--ignore", "8", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["counts"]["same"], 2);
    EXPECT_EQ(nlohmann::json::parse(run.out)["patterns"], nlohmann::json::array());

    // Read, never written.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(farm->module(i).records, site()[static_cast<std::size_t>(i)].records);
        EXPECT_EQ(farm->resets(i), 0);
    }
}

TEST_F(AuditCommand, ABackupFolderIsComparedWithoutTouchingAModule) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm(site());
    WriteRecordFile("ref.rec", referenceRecords());
    ASSERT_EQ(RunInProcess({"backup", "site", "--yes", "--jobs", "0"}).status, 0);
    std::vector<int> connections;
    for (int i = 0; i < 4; ++i) connections.push_back(farm->monitorConnections(i));
    const std::size_t datagrams = farm->receivedDatagrams().size();

    CliRun run = RunInProcess({"audit", "ref.rec", "--from", "site"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out.substr(0, kPattern.size() + kModule2.size()), kPattern + kModule2);

    // One file changed since the backup: that module could not be read.
    std::string file;
    const nlohmann::json manifest = nlohmann::json::parse(ReadText("site/backup.json"));
    for (const nlohmann::json& entry : manifest["modules"]) {
        if (entry["mac"] == MacText(farm->module(3))) file = entry["file"];
    }
    ASSERT_FALSE(file.empty());
    {
        std::fstream changed("site/" + file, std::ios::in | std::ios::out | std::ios::binary);
        changed.seekp(10);
        changed.put('\x5A');
    }
    run = RunInProcess({"audit", "ref.rec", "--from", "site", "--ignore", "0:4-7"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1),
              "module 02-00-5E-10-00-03 at 127.0.0.5: could not be read: " + file +
                  " is missing or changed since the backup\n");

    for (int i = 0; i < 4; ++i) EXPECT_EQ(farm->monitorConnections(i), connections[static_cast<std::size_t>(i)]);
    EXPECT_EQ(farm->receivedDatagrams().size(), datagrams);
}

TEST_F(AuditCommand, WhatCannotBeComparedIsRefusedBeforeAnythingIsSent) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm(site());
    WriteRecordFile("ref.rec", referenceRecords());
    std::ofstream("sheet.csv") << "mac,address\n02-00-5E-10-00-00,127.0.0.20\n";
    WriteRecordFile("cut.rec", referenceRecords());
    std::filesystem::resize_file("cut.rec", 100);

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
        {{"audit", "none.rec"}, "cannot read none.rec: no such file\n"},
        {{"audit", "cut.rec"}, "cannot read cut.rec: it ends inside record 0 (which begins at byte 5)\n"},
        {{"audit", "ref.rec", "--ignore", "0:100-120"},
         "--ignore 0:100-120: record 0 of the reference has only 120 bytes\n"},
        {{"audit", "ref.rec", "--ignore", "1"}, "--ignore 1: the reference has no record 1\n"},
        {{"audit", "ref.rec", "--ignore", "0:7-4"}, ""},
        {{"audit", "ref.rec", "--range", "127.0.0.2-127.0.0.5", "--sheet", "sheet.csv"}, ""},
        {{"audit", "ref.rec", "127.0.0.2", "--from", "site"}, ""},
        {{"audit", "ref.rec", "--sheet", "none.csv"}, "cannot read none.csv: no such file\n"},
        {{"audit", "ref.rec", "--from", "ref.rec"}, ""},
    };
    for (const auto& [arguments, said] : refused) {
        const CliRun run = RunInProcess(arguments);
        EXPECT_EQ(run.status, 2) << arguments.back() << ": " << run.err;
        EXPECT_EQ(run.out, "") << arguments.back();
        if (!said.empty()) {
            EXPECT_EQ(run.err, said) << arguments.back();
        }
    }
    EXPECT_TRUE(farm->receivedDatagrams().empty());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(farm->monitorConnections(i), 0);
}

}  // namespace
}  // namespace quelvar::testing
