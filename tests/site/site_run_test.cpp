// A site's runs called as functions: one result per row, the report and the
// manifest as rows end, a stop, and a run that goes on from an earlier one.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "ops/set_ip_address.h"
#include "records/rec_file.h"
#include "records/sha256.h"
#include "site/backup_run.h"
#include "site/commission_run.h"
#include "site/handover.h"
#include "support/recording_events.h"
#include "support/sim_fixture.h"
#include "support/temp_folder.h"

namespace quelvar::testing {
namespace {

std::string MacText(const sim::ModuleConfig& module) { return discovery::FormatMac(module.mac); }

std::string ReadText(const std::filesystem::path& path) {
    std::optional<std::vector<std::uint8_t>> bytes = records::ReadFileStart(path, 1 << 20);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

void WriteRecordFile(const std::filesystem::path& path, const std::map<int, sim::Bytes>& records) {
    std::vector<records::Record> list;
    for (const auto& [number, data] : records) {
        list.push_back({static_cast<std::uint8_t>(number), data});
    }
    ASSERT_EQ(records::SaveFileReplacing(path, records::EncodeRecords(list)),
              records::SaveResult::Saved);
}

// A sink that keeps what the run told it, row by row.
class RecordingRun : public site::RunEvents {
  public:
    // Once this many rows have ended the run is stopping; -1: never.
    explicit RecordingRun(int stopAfter = -1) : stopAfter_(stopAfter) {}

    ops::Events& runEvents() override { return run; }
    ops::Events& rowBegun(std::size_t row, const site::RowNames& names) override {
        std::lock_guard lock(mutex_);
        labels[row] = site::RowLabel(names, platform::Language::English);
        return *(rows[row] = std::make_unique<RecordingEvents>());
    }
    void rowEnded(std::size_t row, const site::RowResult& result) override {
        std::lock_guard lock(mutex_);
        ended[row] = result;
        ++ended_;
    }
    bool stopRequested() override {
        std::lock_guard lock(mutex_);
        return stopAfter_ >= 0 && ended_ >= stopAfter_;
    }

    RecordingEvents run;
    std::map<std::size_t, std::unique_ptr<RecordingEvents>> rows;
    std::map<std::size_t, std::string> labels;
    std::map<std::size_t, site::RowResult> ended;

  private:
    std::mutex mutex_;
    int ended_ = 0;
    int stopAfter_;
};

class SiteRunTest : public ::testing::Test {
  protected:
    void SetUp() override { QUELVAR_REQUIRE_NETNS(); }
    site::RunOptions options(unsigned jobs = 0) {
        site::RunOptions options;
        options.jobs = jobs;
        options.search.rounds = options.retries.searchRounds;
        options.search.mergeRepeats = true;
        return options;
    }
    site::CommissionSheet sheetOf(const std::string& text) {
        site::CommissionSheet sheet = site::ParseCommissionSheet(text);
        EXPECT_TRUE(sheet.errors.empty());
        return sheet;
    }
    TempFolder folder_{"site"};
};

// Each row as it went: one passes, one whose module refuses a record fails
// half written, one whose module is nowhere fails before anything is sent;
// the report holds them all, in sheet order.
TEST_F(SiteRunTest, EveryRowEndsWithItsResultAndTheReportHoldsThem) {
    sim::ModuleConfig refusing = sim::DefaultModule(1);
    refusing.refuseRecord = 3;
    auto farm = StartFarm({sim::DefaultModule(0), refusing});
    WriteRecordFile(folder_.path() / "site.rec", sim::DefaultRecords(0x31));
    const site::CommissionSheet sheet =
        sheetOf(MacText(farm->module(0)) + ",127.0.1.10,site.rec\n" + MacText(refusing) +
                ",127.0.1.11,site.rec\n02-00-00-99-99-99,127.0.1.12\n");
    const std::filesystem::path report = folder_.path() / "report.json";
    site::Commissioning job{sheet, "sheet.csv", folder_.path(), site::PlanSheet(sheet, {}), report};

    RecordingRun run;
    const site::CommissionOutcome outcome = site::Commission(job, options(), run);
    ASSERT_EQ(outcome.rows.size(), 3u);
    const site::RowResult& passed = outcome.rows[0].row;
    EXPECT_EQ(passed.state, site::RowState::Passed) << passed.words(platform::Language::English);
    EXPECT_EQ(passed.steps, (std::vector<std::string>{"set-ip", "load"}));
    EXPECT_EQ(passed.before, "127.0.0.2");
    EXPECT_EQ(passed.after, "127.0.1.10");
    EXPECT_GT(passed.seconds, 0.0);
    EXPECT_EQ(outcome.rows[1].row.state, site::RowState::Failed);
    EXPECT_EQ(outcome.rows[1].row.step(), "load");
    EXPECT_EQ(outcome.rows[2].row.state, site::RowState::Failed);
    EXPECT_EQ(outcome.rows[2].row.words(platform::Language::English), "not found");
    EXPECT_TRUE(outcome.rows[2].row.steps.empty());
    // The sink heard every row end, with its own events and label.
    EXPECT_EQ(run.ended.size(), 3u);
    EXPECT_EQ(run.labels.at(0), "row 1 " + MacText(farm->module(0)) + " -> 127.0.1.10");
    EXPECT_FALSE(run.rows.at(1)->notes.empty()) << "what the refusing module may hold";

    ops::Fact why;
    std::optional<site::Report> written = site::ParseReport(ReadText(report), why);
    ASSERT_TRUE(written.has_value()) << ops::KindName(why.kind);
    ASSERT_EQ(written->rows.size(), 3u);
    EXPECT_TRUE(written->rows[0].passed());
    EXPECT_EQ(written->rows[1].row.words(platform::Language::English), outcome.rows[1].row.words(platform::Language::English));
    // What a handover needs of each row: the module, the file's hash and the times.
    const site::RowResult& kept = written->rows[0].row;
    const sim::ModuleConfig first = farm->module(0);
    EXPECT_EQ(kept.product, std::string(first.productLetters.begin(), first.productLetters.end()));
    const std::string file = ReadText(folder_.path() / "site.rec");
    EXPECT_EQ(kept.sha256, records::Sha256Hex(std::span(
                               reinterpret_cast<const std::uint8_t*>(file.data()), file.size())));
    ASSERT_TRUE(kept.started.has_value());
    EXPECT_EQ(platform::UtcStamp(*kept.started), platform::UtcStamp(*passed.started));
    EXPECT_TRUE(written->rows[1].row.started.has_value());
}

// A stop leaves the rows not begun as such; a later run of the same sheet
// with the report goes on with what did not pass.
TEST_F(SiteRunTest, AStoppedRunGoesOnFromItsReport) {
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});
    const site::CommissionSheet sheet = sheetOf(MacText(farm->module(0)) + ",127.0.1.20\n" +
                                                MacText(farm->module(1)) + ",127.0.1.21\n");
    const std::filesystem::path report = folder_.path() / "report.json";
    site::Commissioning job{sheet, "sheet.csv", folder_.path(), site::PlanSheet(sheet, {}), report};
    RecordingRun stopping(1);
    const site::CommissionOutcome first = site::Commission(job, options(1), stopping);
    EXPECT_EQ(first.rows[0].row.state, site::RowState::Passed) << first.rows[0].row.words(platform::Language::English);
    EXPECT_EQ(first.rows[1].row.state, site::RowState::NotStarted);
    EXPECT_EQ(first.rows[1].row.words(platform::Language::English), "not started (interrupted)");
    EXPECT_EQ(stopping.ended.size(), 1u);

    ops::Fact why;
    std::optional<site::Report> earlier = site::ParseReport(ReadText(report), why);
    ASSERT_TRUE(earlier.has_value()) << ops::KindName(why.kind);
    site::Commissioning resumed{sheet, "sheet.csv", folder_.path(),
                                site::PlanSheet(sheet, earlier), report};
    EXPECT_EQ(resumed.plan.toRun, std::vector<std::size_t>{1});
    RecordingRun run;
    const site::CommissionOutcome second = site::Commission(resumed, options(), run);
    EXPECT_EQ(second.rows[0].row.words(platform::Language::English), "passed in an earlier run");
    EXPECT_EQ(second.rows[1].row.state, site::RowState::Passed) << second.rows[1].row.words(platform::Language::English);
    EXPECT_EQ(run.ended.size(), 1u);
    EXPECT_EQ(farm->module(1).address, (platform::Ipv4Octets{127, 0, 1, 21}));
}

// A backup's rows and its manifest, and the restore of that backup to each
// module by its MAC address, one of them found where it moved since.
TEST_F(SiteRunTest, ABackupRestoresToEachModuleWhereverItIsNow) {
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});
    site::BackingUp backup{folder_.path(), {}, {}, false, std::nullopt};
    RecordingRun saving;
    const site::BackupOutcome saved = site::Backup(backup, options(), saving);
    ASSERT_EQ(saved.rows.size(), 2u);
    for (const site::ModuleRow& row : saved.rows) {
        EXPECT_EQ(row.row.state, site::RowState::Passed) << row.row.words(platform::Language::English);
    }
    EXPECT_TRUE(saved.manifestWritten);

    ops::Fact why;
    std::optional<std::vector<site::BackupEntry>> manifest =
        site::ParseManifest(ReadText(folder_.path() / site::kManifestName), why);
    ASSERT_TRUE(manifest.has_value()) << ops::KindName(why.kind);
    for (const site::BackupEntry& entry : *manifest) {
        EXPECT_TRUE(entry.started.has_value()) << "each save keeps when it ran";
    }
    const site::RestorePlan plan = site::PlanRestore(folder_.path(), *manifest);
    EXPECT_EQ(plan.restorable(), 2u);

    // Module 1 moves before the restore.
    std::optional<discovery::DeviceEntry> second;
    for (const discovery::DeviceEntry& entry : discovery::SearchForModules(options().search).modules) {
        if (entry.mac == farm->module(1).mac) second = entry;
    }
    ASSERT_TRUE(second.has_value());
    RecordingEvents moving;
    ASSERT_TRUE(ops::SetIpAddress(*second, {127, 0, 0, 40}, ops::Retries::Window(), moving)
                    .outcome.succeeded());
    RecordingRun restoring;
    const std::filesystem::path report = folder_.path() / "restore.json";
    const site::RestoreOutcome outcome = site::Restore(plan, options(), restoring, report);
    const std::vector<site::ModuleRow>& restored = outcome.rows;
    ASSERT_EQ(restored.size(), 2u);
    for (const site::ModuleRow& row : restored) {
        EXPECT_EQ(row.row.state, site::RowState::Passed) << row.row.words(platform::Language::English);
    }
    EXPECT_EQ(restored[1].address, "127.0.0.40");

    // The restore leaves a report as a commissioning does, and it hands over as one.
    EXPECT_TRUE(outcome.reportWritten);
    const std::optional<site::Report> written = site::ParseReport(ReadText(report), why);
    ASSERT_TRUE(written.has_value()) << ops::KindName(why.kind);
    EXPECT_EQ(written->task, site::ReportTask::Restore);
    ASSERT_EQ(written->rows.size(), 2u);
    EXPECT_EQ(written->rows[1].mac, farm->module(1).mac);
    EXPECT_EQ(written->rows[1].row.after, "127.0.0.40");
    site::Handover handover;
    ASSERT_TRUE(site::AddHandoverFile(handover, "restore.json", ReadText(report), why)) << ops::KindName(why.kind);
    EXPECT_EQ(handover.sources[0].kind, site::HandoverSource::Kind::Restore);
}

// A backup written when files were named by the whole device line, with its
// times in each entry, still restores. A backup into its folder leaves one
// file per module: a module saved again gets its lasting name and loses the
// old file; a module not saved again keeps its old file and entry.
TEST_F(SiteRunTest, AnEarlierBackupStillRestoresAndABackupIntoItLeavesOneFilePerModule) {
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});
    std::string entries;
    std::vector<std::string> oldFiles;
    for (int i = 0; i < 2; ++i) {
        const sim::ModuleConfig module = farm->module(i);
        oldFiles.push_back(MacText(module) + " - 127.0.0." + std::to_string(2 + i) +
                           " - QV - 6.1.rec");
        WriteRecordFile(folder_.path() / oldFiles.back(), module.records);
        const std::string bytes = ReadText(folder_.path() / oldFiles.back());
        entries += std::string(i == 0 ? "" : ",") + R"({"mac":")" + MacText(module) +
                   R"(","address":"127.0.0.2","product":"QV","firmware":"6.1","file":")" +
                   oldFiles.back() + R"(","sha256":")" +
                   records::Sha256Hex(std::vector<std::uint8_t>(bytes.begin(), bytes.end())) +
                   R"(","result":"saved","start":"2026-03-02T09:15:04.250Z",)" +
                   R"("end":"2026-03-02T09:15:05.450Z","seconds":1.2})";
    }
    ops::Fact why;
    std::optional<std::vector<site::BackupEntry>> earlier = site::ParseManifest(
        R"({"format":"quelvarinit-backup","version":1,"modules":[)" + entries + "]}", why);
    ASSERT_TRUE(earlier.has_value()) << ops::KindName(why.kind);
    EXPECT_DOUBLE_EQ((*earlier)[1].seconds, 1.2);
    const site::RestorePlan plan = site::PlanRestore(folder_.path(), *earlier);
    ASSERT_EQ(plan.restorable(), 2u);
    RecordingRun restoring;
    for (const site::ModuleRow& row : site::Restore(plan, options(), restoring).rows) {
        EXPECT_EQ(row.row.state, site::RowState::Passed) << row.row.words(platform::Language::English);
    }

    site::DeviceSelector first;
    first.mac = farm->module(0).mac;
    const site::BackingUp backup{folder_.path(), *earlier, {first}, true, std::nullopt};
    RecordingRun saving;
    ASSERT_EQ(site::Backup(backup, options(), saving).rows.at(0).row.state, site::RowState::Passed);
    const sim::ModuleConfig saved = farm->module(0);
    const std::string newFile =
        MacText(saved) + " - " + std::string(saved.productLetters.data(), 2) + ".rec";
    std::set<std::string> files;
    for (const auto& file : std::filesystem::directory_iterator(folder_.path())) {
        if (file.path().extension() == ".rec") files.insert(file.path().filename().string());
    }
    EXPECT_EQ(files, (std::set<std::string>{newFile, oldFiles[1]}));
    std::optional<std::vector<site::BackupEntry>> manifest =
        site::ParseManifest(ReadText(folder_.path() / site::kManifestName), why);
    ASSERT_TRUE(manifest.has_value()) << ops::KindName(why.kind);
    ASSERT_EQ(manifest->size(), 2u);
    EXPECT_EQ((*manifest)[0].file, newFile);
    EXPECT_TRUE((*manifest)[0].started.has_value()) << "the new times are read back";
    EXPECT_EQ((*manifest)[1].file, oldFiles[1]);
    EXPECT_DOUBLE_EQ((*manifest)[1].seconds, 1.2) << "the kept entry keeps its times";
    EXPECT_EQ(site::PlanRestore(folder_.path(), *manifest).restorable(), 2u);
}

}  // namespace
}  // namespace quelvar::testing
