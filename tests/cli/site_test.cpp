// Work on a whole site from the console: backup and restore, the report of a
// commissioning run and its resumption, and the input they refuse.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <streambuf>
#include <thread>
#include <utility>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"
#include "records/sha256.h"
#include "site/backup_manifest.h"
#include "support/sim_fixture.h"

namespace quelvar::testing {
namespace {

using SiteTest = CliTest;
using namespace std::chrono_literals;

std::string fileName(const sim::ModuleConfig& module) {
    return MacText(module) + " - " + std::string(module.productLetters.data(), 2) + ".rec";
}

TEST_F(SiteTest, BackupSavesEveryModuleAndRestoreAppliesEachByItsMacWhereverItIs) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), sim::DefaultModule(2)});

    CliRun run = RunInProcess({"backup", "site", "--jobs", "0", "--log-dir", "logs"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("3 of 3 module(s) saved"), std::string::npos) << run.out;
    // Each module's trace in a log of its own.
    EXPECT_NE(ReadText("logs/module-" + MacText(farm->module(2)) + ".log").find("success."),
              std::string::npos);
    auto manifest = nlohmann::json::parse(ReadText("site/backup.json"));
    ASSERT_EQ(manifest["modules"].size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const auto& entry = manifest["modules"][static_cast<std::size_t>(i)];
        const sim::ModuleConfig module = farm->module(i);
        EXPECT_EQ(entry["mac"], MacText(module));
        EXPECT_EQ(entry["file"], fileName(module));
        EXPECT_EQ(entry["result"], "saved");
        const std::string bytes = ReadText("site/" + fileName(module));
        EXPECT_EQ(entry["sha256"],
                  records::Sha256Hex(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
    }
    // A second backup into the same folder replaces nothing unless asked to.
    run = RunInProcess({"backup", "site"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "site/backup.json is there already: give --yes to replace that backup, "
              "or another folder\n");

    // The modules change and one moves; each gets its own records back.
    const std::map<int, sim::Bytes> original = farm->module(1).records;
    WriteRecordFile("other.rec", sim::DefaultRecords(0x77));
    ASSERT_EQ(RunInProcess({"load", "127.0.0.3", "other.rec", "--yes"}).status, 0);
    ASSERT_EQ(RunInProcess({"set-ip", "127.0.0.3", "127.0.0.40", "--yes"}).status, 0);
    run = RunInProcess({"restore", "site", "--yes", "--jobs", "0", "--verify"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("3 of 3 module(s) restored"), std::string::npos) << run.out;
    EXPECT_EQ(farm->module(1).records, original);
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 0, 40}));
    // Named by none, the restore's report goes beside the backup, not into it.
    EXPECT_TRUE(std::filesystem::exists("site-restore-report.json"));
}

// Standard input whose first read first does something else, as a person
// might while the program waits for the answer.
class AnswerAfter : public std::streambuf {
  public:
    AnswerAfter(std::function<void()> meanwhile, std::string answer)
        : meanwhile_(std::move(meanwhile)), answer_(std::move(answer)) {}

  protected:
    int_type underflow() override {
        if (meanwhile_) {
            std::exchange(meanwhile_, nullptr)();
            setg(answer_.data(), answer_.data(), answer_.data() + answer_.size());
        }
        return gptr() < egptr() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
    }

  private:
    std::function<void()> meanwhile_;
    std::string answer_;
};

TEST_F(SiteTest, AModuleNamedButNotFoundIsAFailedEntryAndAChangedFileIsNotApplied) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    CliRun run = RunInProcess({"backup", "site", MacText(farm->module(0)), "02-00-00-99-99-99"});
    EXPECT_EQ(run.status, 1);
    auto manifest = nlohmann::json::parse(ReadText("site/backup.json"));
    // In MAC order: 02-00-00-99-99-99 first.
    ASSERT_EQ(manifest["modules"].size(), 2u);
    EXPECT_EQ(manifest["modules"][0]["result"], "failed");
    EXPECT_EQ(manifest["modules"][0]["reason"], "not found");

    // Backed up again where the module is not found: its earlier file still
    // restores, and the manifest says so.
    run = RunInProcess({"backup", "site", "--yes", "--range", "127.0.0.50-127.0.0.51",
                        MacText(farm->module(0))});
    EXPECT_EQ(run.status, 1);
    manifest = nlohmann::json::parse(ReadText("site/backup.json"));
    ASSERT_EQ(manifest["modules"].size(), 2u);
    EXPECT_EQ(manifest["modules"][1]["result"], "saved");
    EXPECT_EQ(manifest["modules"][1]["reason"], "not saved again: not found");

    // The file is changed while the restore waits for its answer: what
    // reaches the module is what was checked, not the file as it is now.
    const std::map<int, sim::Bytes> original = farm->module(0).records;
    WriteRecordFile("other.rec", sim::DefaultRecords(0x77));
    ASSERT_EQ(RunInProcess({"load", "127.0.0.2", "other.rec", "--yes"}).status, 0);
    const std::string file = "site/" + fileName(farm->module(0));
    AnswerAfter answer([&] { WriteRecordFile(file, sim::DefaultRecords(0x55)); }, "y\n");
    std::istream input(&answer);
    run = RunInProcess({"restore", "site", "--verify"}, input, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("1 of 2 module(s) restored"), std::string::npos) << run.out;
    EXPECT_TRUE(farm->module(0).records == original) << "the file as changed reached the module";

    // Once changed, it is never applied; a module not found is a failed row,
    // never another module.
    const std::size_t connections = static_cast<std::size_t>(farm->monitorConnections(0));
    run = RunInProcess({"restore", "site", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("is missing or changed since the backup"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("not in the backup: not found"), std::string::npos) << run.out;
    EXPECT_EQ(static_cast<std::size_t>(farm->monitorConnections(0)), connections);
}

TEST_F(SiteTest, AKilledBackupLeavesAManifestThatMatchesEveryFileItReplaced) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig slow = sim::DefaultModule(1);
    slow.linkFaults = sim::LinkFaults{.delay = 400ms};
    auto farm = StartFarm({sim::DefaultModule(0), slow});
    // An earlier backup of both, whose files this one replaces.
    std::filesystem::create_directory("site");
    const std::string earlierBytes = "earlier";
    const std::string earlierSha = records::Sha256Hex(
        std::vector<std::uint8_t>(earlierBytes.begin(), earlierBytes.end()));
    std::vector<site::BackupEntry> earlier(2);
    for (int i = 0; i < 2; ++i) {
        site::BackupEntry& entry = earlier[static_cast<std::size_t>(i)];
        entry.mac = farm->module(i).mac;
        entry.file = fileName(farm->module(i));
        entry.sha256 = earlierSha;
        entry.saved = true;
        std::ofstream("site/" + entry.file) << earlierBytes;
    }
    std::ofstream("site/backup.json") << site::ManifestText(earlier);

    pid_t child = StartProgram({"backup", "site", "--yes", "--jobs", "0", "--log-dir", "logs"});
    ASSERT_GT(child, 0);
    const std::string log = "logs/module-" + MacText(farm->module(0)) + ".log";
    for (int waited = 0; waited < 600; ++waited) {
        if (ReadText(log).find("save setuprecord...\r\nsuccess.") != std::string::npos) break;
        std::this_thread::sleep_for(100ms);
    }
    // Long enough for a manifest held back after an earlier write to follow.
    std::this_thread::sleep_for(500ms);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    ops::Fact error;
    const auto manifest = site::ParseManifest(ReadText("site/backup.json"), error);
    ASSERT_TRUE(manifest) << ops::KindName(error.kind);
    ASSERT_EQ(manifest->size(), 2u) << ReadText("site/backup.json");
    for (const site::BackupEntry& entry : *manifest) {
        ASSERT_TRUE(entry.saved) << ops::WordsOf(entry.reason, platform::Language::English);
        const std::string bytes = ReadText("site/" + entry.file);
        EXPECT_EQ(entry.sha256,
                  records::Sha256Hex(std::vector<std::uint8_t>(bytes.begin(), bytes.end())))
            << entry.file;
    }
    EXPECT_NE(ReadText("site/" + fileName(farm->module(0))), earlierBytes) << "not saved again";
    EXPECT_EQ(ReadText("site/" + fileName(farm->module(1))), earlierBytes) << "the slow one ended";
}

TEST_F(SiteTest, ARunsReportLetsTheNextRunDoOnlyWhatDidNotPass) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig silent = sim::DefaultModule(1);
    silent.answersStatus = false;
    auto farm = StartFarm({sim::DefaultModule(0), silent});
    std::ofstream("site.csv") << MacText(farm->module(0)) << ",127.0.1.10\n"
                              << MacText(farm->module(1)) << ",127.0.1.11\n";

    CliRun run =
        RunInProcess({"commission", "site.csv", "--yes", "--jobs", "0", "--report", "report.json"});
    EXPECT_EQ(run.status, 1);
    auto report = nlohmann::json::parse(ReadText("report.json"));
    EXPECT_EQ(report["sheet"], "site.csv");
    ASSERT_EQ(report["rows"].size(), 2u);
    const auto& passed = report["rows"][0];
    EXPECT_EQ(passed["result"], "pass");
    EXPECT_EQ(passed["before"], "127.0.0.2");
    EXPECT_EQ(passed["after"], "127.0.1.10");
    EXPECT_EQ(passed["steps"], nlohmann::json::array({"set-ip"}));
    EXPECT_EQ(report["rows"][1]["result"], "fail");

    run = RunInProcess({"commission", "site.csv", "--yes", "--resume", "report.json", "--json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("skipping row 1 (line 1, " + MacText(farm->module(0)) +
                           "): passed in report.json"),
              std::string::npos)
        << run.err;
    auto summary = nlohmann::json::parse(run.out);
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0]["reason"], "passed in an earlier run");
    EXPECT_EQ(summary[1]["result"], "fail");
    // The first module was left alone: it answers where the first run put it.
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 1, 10}));
}

TEST_F(SiteTest, InputThatCannotBeRightIsRefusedWithNothingSent) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    std::ofstream("a-file") << "x";
    std::filesystem::create_directory("broken");
    std::ofstream("broken/backup.json") << "{\"format\":\"quelvarinit-backup\",\"version\":1,"
                                           "\"modules\":[{\"mac\":\"nonsense\"}]}";
    std::ofstream("site.csv") << MacText(farm->module(0)) << ",127.0.1.10\n";
    std::ofstream("other.json") << "{\"format\":\"quelvarinit-commission-report\",\"version\":1,"
                                   "\"sheet\":\"elsewhere.csv\",\"rows\":[]}";
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"search", "--range", "127.0.0.9-127.0.0.2"}, "ends before it begins"},
        {{"search", "--range", "10.0.0.0/16"}, "more than the 4096"},
        {{"search", "--range", "127.0.0.0/24", "--broadcast", "127.0.0.2"}, "exclude each other"},
        {{"backup", "a-file"}, "is a file, not a folder for a backup"},
        // Its entries of other modules would be lost.
        {{"backup", "broken", "--yes"}, "module 1: no MAC address: not replaced"},
        {{"restore", "broken", "--yes"}, "module 1: no MAC address"},
        {{"commission", "site.csv", "--yes", "--resume", "other.json"},
         "was made from elsewhere.csv, not site.csv"},
    };
    for (const auto& [arguments, reason] : refused) {
        CliRun run = RunInProcess(arguments);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(arguments) << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    }
    // Said in the console's language, as every other refusal.
    CliRun run = RunInProcess({"restore", "broken", "--yes", "--lang", "ja"});
    EXPECT_EQ(run.err, "broken にはバックアップがありません: broken/backup.json: "
                       "1 番目の機器: MACアドレスがありません\n");
    // A run whose report could not be kept does not start.
    run = RunInProcess({"commission", "site.csv", "--yes", "--report", "no/such/r.json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "cannot write the report no/such/r.json: No such file or directory\n");
    EXPECT_TRUE(farm->receivedDatagrams().empty());
}

}  // namespace
}  // namespace quelvar::testing

namespace quelvar::testing {
namespace {

// The record to hand over, made from what a backup left; a file that is no
// report or manifest, or one cut short, is refused and nothing is written.
TEST_F(SiteTest, AHandoverIsMadeFromARunsFilesAndARefusedFileLeavesNothing) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});
    ASSERT_EQ(RunInProcess({"backup", "site", "--jobs", "0"}).status, 0);

    CliRun run = RunInProcess({"report", "site/backup.json", "--html", "h.html", "--csv", "h.csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "wrote h.html: 2 modules, 2 passed, 0 failed, 0 stopped, 0 not started\n"
              "wrote h.csv: 2 modules, 2 passed, 0 failed, 0 stopped, 0 not started\n");
    EXPECT_NE(ReadText("h.html").find(MacText(farm->module(1))), std::string::npos);
    EXPECT_NE(ReadText("h.csv").find(MacText(farm->module(1))), std::string::npos);

    const std::string manifest = ReadText("site/backup.json");
    std::ofstream("cut.json") << manifest.substr(0, manifest.size() - 40);
    std::ofstream("sheet.csv") << "mac,address\n" << MacText(farm->module(0)) << ",127.0.0.9\n";
    std::ofstream("other.json") << R"({"format":"quelvarinit-commission-report","version":1})";
    const std::pair<std::string, std::string> refused[] = {
        {"cut.json", "cut.json is not JSON (cut short, or not a file of this tool); nothing written\n"},
        {"sheet.csv", "sheet.csv is not JSON (cut short, or not a file of this tool); nothing written\n"},
        {"other.json", "other.json is not a commissioning report of this tool; nothing written\n"},
        {"missing.json", "cannot read missing.json: no such file; nothing written\n"},
    };
    for (const auto& [name, message] : refused) {
        run = RunInProcess({"report", "site/backup.json", name, "--html", "new.html", "--csv", "new.csv"});
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_EQ(run.err, message);
        EXPECT_FALSE(std::filesystem::exists("new.html")) << name;
        EXPECT_FALSE(std::filesystem::exists("new.csv")) << name;
    }
    run = RunInProcess({"report", "site/backup.json"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("report needs --html FILE or --csv FILE"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quelvar::testing
