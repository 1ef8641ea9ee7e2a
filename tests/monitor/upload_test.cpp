// "Load setuprecord" against a simulated module: the trace, the progress,
// the boxes and exactly what the module received.
#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/data_line.h"
#include "transfer_fixture.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using app::MessageAnswer;
using records::Record;

Bytes Pattern(std::size_t size, int seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 13 + i * 3);
    return bytes;
}

Record RecordOf(int number) {
    return {static_cast<std::uint8_t>(number), Pattern(number == 0 ? 120 : 126, number)};
}

// What the module receives for one record: command, lines of 32 bytes, end record.
std::string WireOf(const Record& record) {
    std::string wire = "S" + std::to_string(record.number) + "\r\n";
    const int size = static_cast<int>(record.data.size());
    for (int offset = 0; offset < size; offset += 32) {
        wire += monitor::FormatDataLine(std::min(32, size - offset), offset,
                                        record.data.data() + offset);
    }
    return wire + ":00000001FF";
}

const std::string kTraceToRecords =
    "Initialize:start.\r\nsetup record:open.header skip.success.\r\n"
    "telnet:start.connect.success.\r\nmon mode.success.\r\nsetup record:send start.\r\n";

std::string RecordTrace(int number) {
    return "setup:read:" + std::to_string(number) + ":cmd:read:send:footer:success.\r\n";
}

const std::string kTraceAfterRecords =
    "device reset:send:success.\r\nInitialize:success:\r\nping:success:\r\n\r\n"
    "Initialize:end.\r\n";

class UploadTest : public TransferTest {
  protected:
    // Puts a file into the record folder and selects it.
    void selectFile(const std::string& name, const Bytes& bytes) {
        WriteFile(folder_ / name, bytes);
        dlg_->RefreshFileList(dlg_->recordFolder());
        auto& lines = view_.fileLines();
        auto it = std::find(lines.begin(), lines.end(), name);
        ASSERT_NE(it, lines.end());
        view_.setListSelection(ControlId::FileList, static_cast<int>(it - lines.begin()));
        dlg_->UpdateControls();
        view_.progress.clear();
    }
};

TEST_F(UploadTest, HeaderOnlyFileStillResetsTheModule) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    selectFile("empty.rec", records::EncodeRecords({}));
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.log(), kTraceToRecords + "setup:" + kTraceAfterRecords);
    EXPECT_EQ(view_.progress, (std::vector<int>{0, 1, 1, 11, 12, 0, 13, 0}));
    EXPECT_EQ(view_.boxTexts(),
              (std::vector<std::string>{"Apply the setup record to the device.\nDo you confirm?",
                                        "done."}));
    EXPECT_EQ(Text(farm->monitorBytesReceived(0)), "MRS\r\n");
    EXPECT_EQ(farm->resets(0), 1);
    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_FALSE(view_.isEnabled(ControlId::LoadSetupRecord));
}

TEST_F(UploadTest, RecordZeroGoesAs120BytesAndOthersAs126) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    auto farm = startAndSelect(module);
    const std::vector<Record> records{RecordOf(0), RecordOf(5)};
    selectFile("two.rec", records::EncodeRecords(records));
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.log(),
              kTraceToRecords + RecordTrace(0) + RecordTrace(5) + "setup:" + kTraceAfterRecords);
    EXPECT_EQ(view_.progress, (std::vector<int>{0, 1, 1, 2, 3, 11, 12, 0, 13, 0}));
    const std::string wire = Text(farm->monitorBytesReceived(0));
    EXPECT_EQ(wire, "M" + WireOf(records[0]) + WireOf(records[1]) + "RS\r\n");
    // Lines of 32, 32, 32 and 24 bytes, then of 32, 32, 32 and 30.
    EXPECT_NE(wire.find(":18006010"), std::string::npos);
    EXPECT_NE(wire.find(":1E006010"), std::string::npos);
    EXPECT_EQ(farm->module(0).records.at(0), records[0].data);
    EXPECT_EQ(farm->module(0).records.at(5), records[1].data);
}

TEST_F(UploadTest, RecordTwelveIsEchoedAsS1) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    selectFile("twelve.rec", records::EncodeRecords({RecordOf(12)}));
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.boxTexts().back(), "done.");
    EXPECT_EQ(Text(farm->monitorBytesReceived(0)), "M" + WireOf(RecordOf(12)) + "RS\r\n");
    EXPECT_EQ(farm->module(0).records.at(12), RecordOf(12).data);
}

TEST_F(UploadTest, OnlyTheFirstTenOfElevenRecordsAreWritten) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    std::vector<Record> records;
    for (int n = 0; n < 11; ++n) records.push_back(RecordOf(20 + n));
    selectFile("eleven.rec", records::EncodeRecords(records));
    dlg_->OnLoadSetupRecord();
    std::string wire = "M";
    std::string trace = kTraceToRecords;
    for (int n = 0; n < 10; ++n) {
        wire += WireOf(records[n]);
        trace += RecordTrace(20 + n);
    }
    EXPECT_EQ(Text(farm->monitorBytesReceived(0)), wire + "RS\r\n");
    EXPECT_EQ(view_.log(), trace + kTraceAfterRecords);
    EXPECT_EQ(view_.progress,
              (std::vector<int>{0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 13, 0}));
}

TEST_F(UploadTest, CutRecordIsAReadErrorBeforeAnythingIsSent) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    Bytes bytes = records::EncodeRecords({RecordOf(0), RecordOf(2)});
    bytes.resize(bytes.size() - 10);
    selectFile("cut.rec", bytes);
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.boxTexts().back(), "ReadError");
    EXPECT_EQ(view_.log(), "Initialize:start.\r\nsetup record:open.header skip.success.\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{0}));
    EXPECT_TRUE(farm->monitorBytesReceived(0).empty());
    EXPECT_EQ(farm->resets(0), 0);
    EXPECT_EQ(view_.deviceLines().size(), 1u);
}

TEST_F(UploadTest, ReplyOfOneIsATelnetErrorAndStopsTheWrite) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::WriteReplyOne;
    auto farm = startAndSelect(module);
    selectFile("two.rec", records::EncodeRecords({RecordOf(0), RecordOf(2)}));
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.boxTexts().back(), "TelnetError");
    EXPECT_EQ(view_.log(), kTraceToRecords + "setup:read:0:cmd:read:send:footer:");
    EXPECT_EQ(view_.progress, (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(Text(farm->monitorBytesReceived(0)), "M" + WireOf(RecordOf(0)));
    EXPECT_EQ(farm->resets(0), 0);
}

TEST_F(UploadTest, ModuleThatNeverComesBackEndsDoneButLogsAndReportsIt) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.resetSilence = std::chrono::seconds(60);
    auto farm = startAndSelect(module);
    selectFile("empty.rec", records::EncodeRecords({}));
    ops::Outcome outcome;
    double seconds = SecondsOf([&] { outcome = dlg_->OnLoadSetupRecord(); });
    std::string afterRecords = kTraceAfterRecords;
    afterRecords.replace(afterRecords.find("ping:success:"), 13, "ping:error !");
    EXPECT_EQ(view_.log(), kTraceToRecords + "setup:" + afterRecords);
    EXPECT_EQ(view_.boxTexts().back(), "done.");
    EXPECT_EQ(outcome.kind, ops::OutcomeKind::NotBackAfterReset);
    EXPECT_GT(seconds, 19.0);
}

TEST_F(UploadTest, FolderNamedLikeAFileIsAReadErrorBeforeAnyConnection) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    std::filesystem::create_directory(folder_ / "folder.rec");
    dlg_->RefreshFileList(dlg_->recordFolder());
    view_.setListSelection(ControlId::FileList, 0);
    dlg_->UpdateControls();
    view_.progress.clear();
    dlg_->OnLoadSetupRecord();
    const std::string last = view_.boxTexts().back();
    EXPECT_TRUE(last == "ReadError" || last == "OpenError") << last;
    EXPECT_EQ(view_.progress, (std::vector<int>{0}));
    EXPECT_EQ(farm->monitorConnections(0), 0);
}

TEST_F(UploadTest, ShortHeaderAndMissingFile) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    selectFile("short.rec", Bytes{0x04, 'R', 'E', 'C'});
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.boxTexts().back(), "ReadError");
    EXPECT_EQ(view_.log(), "Initialize:start.\r\nsetup record:open.header skip.");

    std::filesystem::remove(folder_ / "short.rec");
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.boxTexts().back(), "OpenError");
    EXPECT_EQ(view_.log(), "Initialize:start.\r\nsetup record:open.");
    EXPECT_EQ(farm->monitorConnections(0), 0);
}

TEST_F(UploadTest, CancelInTheConfirmationDoesNothing) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    selectFile("empty.rec", records::EncodeRecords({}));
    const std::string logBefore = view_.log();
    view_.confirmationAnswers.push_back(MessageAnswer::Cancel);
    dlg_->OnLoadSetupRecord();
    EXPECT_EQ(view_.log(), logBefore);
    EXPECT_TRUE(view_.progress.empty());
    EXPECT_EQ(farm->monitorConnections(0), 0);
}

TEST_F(UploadTest, UploadThenDownloadGivesTheSameFileBack) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records.clear();
    auto farm = startAndSelect(module);
    std::vector<Record> records{RecordOf(0)};
    for (int n = 2; n <= 8; ++n) records.push_back(RecordOf(n));
    const Bytes file = records::EncodeRecords(records);
    selectFile("mine.rec", file);
    dlg_->OnLoadSetupRecord();
    ASSERT_EQ(view_.boxTexts().back(), "done.");

    dlg_->OnSearch();
    selectDevice(0);
    view_.saveDialogAnswers.push_back(folder_ / "back.rec");
    dlg_->OnSaveSetupRecord();
    ASSERT_EQ(view_.boxTexts().back(), "done.");
    EXPECT_EQ(FileBytes(folder_ / "back.rec"), file);
}

TEST_F(UploadTest, ModuleThatAltersAWrittenRecordReadsBackDifferent) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records.clear();
    module.monitorFault = sim::MonitorFault::AlterOnWrite;
    auto farm = startAndSelect(module);
    const Bytes file = records::EncodeRecords({RecordOf(4)});
    selectFile("mine.rec", file);
    dlg_->OnLoadSetupRecord();
    ASSERT_EQ(view_.boxTexts().back(), "done.");
    Bytes stored = farm->module(0).records.at(4);
    ASSERT_EQ(stored.size(), 126u);
    int differing = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) differing += stored[i] != RecordOf(4).data[i];
    EXPECT_EQ(differing, 1);
}

}  // namespace
}  // namespace quelvar::testing
