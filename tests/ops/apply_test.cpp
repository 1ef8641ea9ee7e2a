// Applying a setup record file, called as an operation against a simulated
// module: the trace, the progress, the alerts, and exactly what the module
// received and kept.
#include <gtest/gtest.h>

#include <memory>

#include "monitor/transfer_fixture.h"
#include "ops/apply_setup_records.h"
#include "ops/messages.h"
#include "ops/read_setup_records.h"
#include "ops_fixture.h"
#include "sim/module.h"
#include "support/temp_folder.h"
#include "support/timing.h"

namespace quelvar::testing {
namespace {

using ops::OutcomeKind;
using Outcomes = std::vector<ops::Outcome>;
using records::Record;

// Every case against a module whose echo of a record comes at once, and
// against one whose echo pauses inside, under the quiet second that ends it.
class ApplyTest : public OpsTest, public ::testing::WithParamInterface<std::chrono::milliseconds> {
  protected:
    // One module, found as a search finds it, and `bytes` as the file to apply.
    void start(sim::ModuleConfig module, const Bytes& bytes) {
        module.echoPause = GetParam();
        farm_ = StartFarm({std::move(module)});
        std::vector<discovery::DeviceEntry> modules = found(*farm_);
        ASSERT_EQ(modules.size(), 1u);
        device_ = modules[0];
        ASSERT_TRUE(WriteFile(file_, bytes));
    }
    ops::ApplyResult apply(const std::filesystem::path& file) {
        return ops::ApplySetupRecordFile(device_, file, ops::Retries::Window(), events_);
    }
    ops::ApplyResult apply() { return apply(file_); }
    std::string received() const { return Text(farm_->monitorBytesReceived(0)); }

    TempFolder folder_{"apply"};
    const std::filesystem::path file_ = folder_.path() / "setup.rec";
    std::unique_ptr<sim::Farm> farm_;
    discovery::DeviceEntry device_;
};

TEST_P(ApplyTest, HeaderOnlyFileStillResetsTheModule) {
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), records::EncodeRecords({})));
    ops::ApplyResult result = apply();
    EXPECT_TRUE(result.outcome.succeeded());
    ASSERT_TRUE(result.module.has_value());
    EXPECT_EQ(result.module->address.octets, device_.address.octets);
    EXPECT_EQ(events_.trace, kLoadTraceToRecords + "setup:" + kLoadTraceAfterRecords);
    EXPECT_EQ(events_.positions, (std::vector<int>{0, 1, 1, 11, 12, 0}));
    EXPECT_EQ(events_.doneAt, (std::vector<int>{13}));
    EXPECT_TRUE(events_.alerts.empty());
    EXPECT_EQ(received(), "MRS\r\n");
    EXPECT_EQ(farm_->resets(0), 1);
}

TEST_P(ApplyTest, RecordZeroGoesAs120BytesAndOthersAs126) {
    const std::vector<Record> records{RecordOf(0), RecordOf(5)};
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), records::EncodeRecords(records)));
    apply();
    EXPECT_EQ(events_.trace, kLoadTraceToRecords + LoadRecordTrace(0) + LoadRecordTrace(5) +
                                 "setup:" + kLoadTraceAfterRecords);
    EXPECT_EQ(events_.positions, (std::vector<int>{0, 1, 1, 2, 3, 11, 12, 0}));
    EXPECT_EQ(events_.doneAt, (std::vector<int>{13}));
    const std::string wire = received();
    EXPECT_EQ(wire, "M" + WireOf(records[0]) + WireOf(records[1]) + "RS\r\n");
    // Lines of 32, 32, 32 and 24 bytes, then of 32, 32, 32 and 30.
    EXPECT_NE(wire.find(":18006010"), std::string::npos);
    EXPECT_NE(wire.find(":1E006010"), std::string::npos);
    EXPECT_EQ(farm_->module(0).records.at(0), records[0].data);
    EXPECT_EQ(farm_->module(0).records.at(5), records[1].data);
}

TEST_P(ApplyTest, RecordTwelveIsEchoedAsS1) {
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), records::EncodeRecords({RecordOf(12)})));
    EXPECT_TRUE(apply().outcome.succeeded());
    EXPECT_EQ(events_.doneAt, (std::vector<int>{13}));
    EXPECT_EQ(received(), "M" + WireOf(RecordOf(12)) + "RS\r\n");
    EXPECT_EQ(farm_->module(0).records.at(12), RecordOf(12).data);
}

TEST_P(ApplyTest, OnlyTheFirstTenOfElevenRecordsAreWritten) {
    std::vector<Record> records;
    for (int n = 0; n < 11; ++n) records.push_back(RecordOf(20 + n));
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), records::EncodeRecords(records)));
    apply();
    std::string wire = "M";
    std::string trace = kLoadTraceToRecords;
    for (int n = 0; n < 10; ++n) {
        wire += WireOf(records[n]);
        trace += LoadRecordTrace(20 + n);
    }
    EXPECT_EQ(received(), wire + "RS\r\n");
    EXPECT_EQ(events_.trace, trace + kLoadTraceAfterRecords);
    EXPECT_EQ(events_.positions,
              (std::vector<int>{0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0}));
}

// A failure before the reset: the window keeps its device list (no "done.").
TEST_P(ApplyTest, CutRecordIsAReadErrorBeforeAnythingIsSent) {
    Bytes bytes = records::EncodeRecords({RecordOf(0), RecordOf(2)});
    bytes.resize(bytes.size() - 10);
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), bytes));
    EXPECT_EQ(apply().outcome.kind, OutcomeKind::ReadError);
    EXPECT_EQ(events_.alerts, Outcomes{ops::Failed(OutcomeKind::ReadError)});
    EXPECT_EQ(events_.trace, "Initialize:start.\r\nsetup record:open.header skip.success.\r\n");
    EXPECT_EQ(events_.positions, (std::vector<int>{0}));
    EXPECT_TRUE(events_.doneAt.empty());
    EXPECT_TRUE(farm_->monitorBytesReceived(0).empty());
    EXPECT_EQ(farm_->resets(0), 0);
}

TEST_P(ApplyTest, ReplyOfOneIsRefusedAndStopsTheWrite) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::WriteReplyOne;
    ASSERT_NO_FATAL_FAILURE(start(module, records::EncodeRecords({RecordOf(0), RecordOf(2)})));
    EXPECT_EQ(apply().outcome.kind, OutcomeKind::RecordRefused);
    EXPECT_EQ(events_.alerts, Outcomes{ops::Failed(OutcomeKind::RecordRefused)});
    EXPECT_EQ(events_.trace, kLoadTraceToRecords + "setup:read:0:cmd:read:send:footer:");
    EXPECT_EQ(events_.positions, (std::vector<int>{0, 1, 1, 0}));
    EXPECT_TRUE(events_.doneAt.empty());
    EXPECT_EQ(received(), "M" + WireOf(RecordOf(0)));
    EXPECT_EQ(farm_->resets(0), 0);
    // The module said it did not take the record.
    EXPECT_EQ(events_.notes, (std::vector<std::string>{
                                 "no record of setup.rec written, not reset: apply the file again"}));
    EXPECT_EQ(events_.writes, (std::vector<bool>{true, false}));
}

TEST_P(ApplyTest, AWriteStoppedMidwaySaysWhatTheModuleNowHolds) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.refuseRecord = 6;
    const std::vector<Record> records{RecordOf(0), RecordOf(2), RecordOf(3), RecordOf(4),
                                      RecordOf(5), RecordOf(6), RecordOf(7)};
    ASSERT_NO_FATAL_FAILURE(start(module, records::EncodeRecords(records)));
    EXPECT_EQ(apply().outcome.kind, OutcomeKind::RecordRefused);
    EXPECT_EQ(events_.notes, (std::vector<std::string>{
                                 "records 0, 2-5 of setup.rec written, not reset: apply the file "
                                 "again"}));
    EXPECT_EQ(farm_->module(0).records.at(5), RecordOf(5).data);
    EXPECT_EQ(farm_->resets(0), 0);
}

// Writing the records again gives the module what the first write was to
// give it: the console's retries make a write that stopped midway again,
// whole, while the module still answers; the window's single try does not.
TEST_P(ApplyTest, AWriteThatStoppedMidwayIsMadeAgainWholeWhileTheModuleAnswers) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records.clear();
    module.monitorFault = sim::MonitorFault::DropFirstWrite;
    const std::vector<Record> records{RecordOf(0), RecordOf(2)};
    ASSERT_NO_FATAL_FAILURE(start(module, records::EncodeRecords(records)));

    ops::ApplyResult result =
        ops::ApplySetupRecordFile(device_, file_, ops::Retries::Persistent(), events_);
    ASSERT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
    ASSERT_EQ(events_.notes.size(), 1u);
    EXPECT_EQ(events_.notes[0].rfind("the write of setup.rec stopped (", 0), 0u) << events_.notes[0];
    EXPECT_NE(events_.notes[0].find(") and the module still answers: writing the whole file "
                                    "again, try 2 of 3"),
              std::string::npos)
        << events_.notes[0];
    EXPECT_TRUE(events_.alerts.empty());
    EXPECT_EQ(farm_->monitorConnections(0), 2);
    EXPECT_EQ(farm_->module(0).records.at(0), records[0].data);
    EXPECT_EQ(farm_->module(0).records.at(2), records[1].data);
    EXPECT_EQ(farm_->resets(0), 1);
}

// "Something answers there" is not "the same module answers there": a
// module swapped in at the address while the write was cut off gets none of
// the file, and no reset; the outcome says which module answers now.
TEST_P(ApplyTest, AModuleReplacedMidwayGetsNothingWrittenAgain) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.replacedAfterRecord = 3;
    const std::vector<Record> records{RecordOf(0), RecordOf(2), RecordOf(3), RecordOf(4),
                                      RecordOf(5)};
    ASSERT_NO_FATAL_FAILURE(start(module, records::EncodeRecords(records)));
    const sim::ModuleConfig replacement = sim::ReplacementModule(module);

    ops::ApplyResult result =
        ops::ApplySetupRecordFile(device_, file_, ops::Retries::Persistent(), events_);
    EXPECT_EQ(result.outcome.kind, OutcomeKind::ModuleReplaced);
    EXPECT_EQ(result.outcome.mac, replacement.mac);
    EXPECT_EQ(ops::DescribeOutcome(result.outcome),
              "another module (" + discovery::FormatMac(replacement.mac) +
                  ") answers at 127.0.0.2 now: nothing more written");
    // Nothing of the file went into the replacement, and it was not reset.
    EXPECT_EQ(farm_->module(0).mac, replacement.mac);
    EXPECT_EQ(farm_->module(0).records, replacement.records);
    EXPECT_EQ(farm_->resets(0), 0);
    EXPECT_EQ(farm_->monitorConnections(0), 1);
    EXPECT_EQ(events_.notes,
              (std::vector<std::string>{
                  "another module (" + discovery::FormatMac(replacement.mac) +
                      ") answers at 127.0.0.2 now, not " + discovery::FormatMac(module.mac) +
                      ": nothing more written",
                  "records 0, 2 of setup.rec written and record 3 may have been, not reset: "
                  "apply the file again"}));
    EXPECT_EQ(events_.writes, (std::vector<bool>{true, false}));
}

TEST_P(ApplyTest, AModuleItsRecordsMoveIsFoundWhereItCameBack) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.movesOnReset = true;
    const sim::RecordPlace place = sim::AddressPlaceInRecords(module);
    Record moving = RecordOf(place.record);
    const platform::Ipv4Octets elsewhere{127, 0, 0, 77};
    std::copy(elsewhere.begin(), elsewhere.end(), moving.data.begin() + place.offset);
    ASSERT_NO_FATAL_FAILURE(start(module, records::EncodeRecords({moving})));

    // The console's retries look for it; the window leaves that to its next search.
    ops::ApplyResult result =
        ops::ApplySetupRecordFile(device_, file_, ops::Retries::Persistent(), events_);
    ASSERT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
    ASSERT_TRUE(result.module.has_value());
    EXPECT_EQ(result.module->address.octets, elsewhere);
    EXPECT_EQ(result.module->mac, module.mac);
    // The window's trace as it has it: nobody answered where the module was.
    EXPECT_NE(events_.trace.find("ping:error !\r\n\r\nInitialize:end.\r\n"), std::string::npos);
    EXPECT_EQ(events_.notes, (std::vector<std::string>{"the module came back at 127.0.0.77"}));
    EXPECT_EQ(events_.doneAt, (std::vector<int>{13}));
}

TEST_P(ApplyTest, ModuleThatNeverComesBackEndsDoneButLogsAndReportsIt) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.resetSilence = std::chrono::seconds(60);
    ASSERT_NO_FATAL_FAILURE(start(module, records::EncodeRecords({})));
    ops::ApplyResult result;
    const double seconds = SecondsOf([&] { result = apply(); });
    std::string afterRecords = kLoadTraceAfterRecords;
    afterRecords.replace(afterRecords.find("ping:success:"), 13, "ping:error !");
    EXPECT_EQ(events_.trace, kLoadTraceToRecords + "setup:" + afterRecords);
    EXPECT_EQ(events_.doneAt, (std::vector<int>{13}));
    EXPECT_EQ(result.outcome.kind, OutcomeKind::NotBackAfterReset);
    EXPECT_FALSE(result.module.has_value());
    // Ten status queries with their pauses before it gives up.
    EXPECT_GT(seconds, 19.0);
}

TEST_P(ApplyTest, FolderNamedLikeAFileFailsBeforeAnyConnection) {
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), {}));
    const std::filesystem::path folder = folder_.path() / "folder.rec";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const ops::Outcome outcome = apply(folder).outcome;
    EXPECT_TRUE(outcome.kind == OutcomeKind::ReadError || outcome.kind == OutcomeKind::OpenError)
        << ops::DescribeOutcome(outcome);
    EXPECT_EQ(events_.alerts, Outcomes{outcome});
    EXPECT_EQ(events_.positions, (std::vector<int>{0}));
    EXPECT_EQ(farm_->monitorConnections(0), 0);
}

TEST_P(ApplyTest, ShortHeaderIsAReadErrorBeforeAnyConnection) {
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), Bytes{0x04, 'R', 'E', 'C'}));
    EXPECT_EQ(apply().outcome.kind, OutcomeKind::ReadError);
    EXPECT_EQ(events_.alerts, Outcomes{ops::Failed(OutcomeKind::ReadError)});
    EXPECT_EQ(events_.trace, "Initialize:start.\r\nsetup record:open.header skip.");
    EXPECT_EQ(farm_->monitorConnections(0), 0);
}

TEST_P(ApplyTest, MissingFileIsAnOpenErrorBeforeAnyConnection) {
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0), {}));
    EXPECT_EQ(apply(folder_.path() / "gone.rec").outcome.kind, OutcomeKind::OpenError);
    EXPECT_EQ(events_.alerts, Outcomes{ops::Failed(OutcomeKind::OpenError)});
    EXPECT_EQ(events_.trace, "Initialize:start.\r\nsetup record:open.");
    EXPECT_EQ(farm_->monitorConnections(0), 0);
}

TEST_P(ApplyTest, AppliedFileReadsBackAsTheSameFile) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records.clear();
    std::vector<Record> records{RecordOf(0)};
    for (int n = 2; n <= 8; ++n) records.push_back(RecordOf(n));
    const Bytes file = records::EncodeRecords(records);
    ASSERT_NO_FATAL_FAILURE(start(module, file));
    ops::ApplyResult applied = apply();
    ASSERT_TRUE(applied.outcome.succeeded()) << ops::DescribeOutcome(applied.outcome);
    ASSERT_TRUE(applied.module.has_value());

    ops::ReadResult read = ops::ReadSetupRecords(*applied.module, ops::Retries::Window(), events_);
    ASSERT_TRUE(read.outcome.succeeded()) << ops::DescribeOutcome(read.outcome);
    const std::filesystem::path back = folder_.path() / "back.rec";
    ASSERT_TRUE(ops::SaveSetupRecordFile(back, read.image, events_).succeeded());
    EXPECT_EQ(FileBytes(back), file);
}

// The simulated module's fault that the read-back comparisons are tried against.
TEST_P(ApplyTest, ModuleThatAltersAWrittenRecordStoresItDifferent) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records.clear();
    module.monitorFault = sim::MonitorFault::AlterOnWrite;
    ASSERT_NO_FATAL_FAILURE(start(module, records::EncodeRecords({RecordOf(4)})));
    ASSERT_TRUE(apply().outcome.succeeded());
    const Bytes stored = farm_->module(0).records.at(4);
    ASSERT_EQ(stored.size(), 126u);
    int differing = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) differing += stored[i] != RecordOf(4).data[i];
    EXPECT_EQ(differing, 1);
}

INSTANTIATE_TEST_SUITE_P(Echoes, ApplyTest,
                         ::testing::Values(std::chrono::milliseconds(0),
                                           std::chrono::milliseconds(600)),
                         [](const ::testing::TestParamInfo<std::chrono::milliseconds>& echo) {
                             return echo.param.count() == 0 ? std::string("AtOnce")
                                                            : std::string("WithAPause");
                         });

// The file's and the module's refusals keep the short texts they have always had.
TEST(ApplyMessages, FileAndWriteFailuresAreToldByTheirNames) {
    auto textOf = [](OutcomeKind kind) {
        return ops::MessageFor(ops::Failed(kind), platform::Language::English)
            .value_or(ops::Message{})
            .text;
    };
    EXPECT_EQ(textOf(OutcomeKind::ReadError), "ReadError");
    EXPECT_EQ(textOf(OutcomeKind::OpenError), "OpenError");
    EXPECT_EQ(textOf(OutcomeKind::RecordRefused), "TelnetError");
}

}  // namespace
}  // namespace quelvar::testing
