// "Save setuprecord" against a simulated module: the trace, the progress,
// the save dialog, the file and the bytes on the wire.
#include <gtest/gtest.h>

#include "platform/socket.h"
#include "transfer_fixture.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using app::MessageKind;

const std::string kTraceToRecords =
    "Save:start.\r\ntelnet:start.connect.success.\r\nwait\"Mode\"-mon mode.success.\r\n"
    "setup record:recv start.\r\n";

std::string RecordsTrace(std::initializer_list<int> numbers) {
    std::string trace;
    for (int n : numbers) trace += "setup " + std::to_string(n) + " getting...ok\r\n";
    return trace;
}

using DownloadTest = TransferTest;

TEST_F(DownloadTest, SavesAllRecordsWithTheExactTraceAndProgress) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    auto farm = startAndSelect(module);
    const std::string line = view_.deviceLines().at(0);
    const std::filesystem::path target = folder_ / (line + ".rec");
    view_.saveDialogAnswers.push_back(target);

    dlg_->OnSaveSetupRecord();

    EXPECT_EQ(view_.log(), kTraceToRecords + RecordsTrace({0, 2, 3, 4, 5, 6, 7, 8}) +
                               "save setuprecord...\r\nsuccess.\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0}));
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{"done."}));
    EXPECT_EQ(view_.boxes[0].kind, MessageKind::ResultText);

    ASSERT_EQ(view_.saveRequests.size(), 1u);
    const app::SaveDialogRequest& request = view_.saveRequests[0];
    EXPECT_EQ(request.defaultName, line + ".rec");
    EXPECT_EQ(request.defaultExtension, "rec");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].description, "Setup record files(*.rec)");
    EXPECT_EQ(request.filters[0].pattern, "*.rec");
    EXPECT_EQ(request.filters[1].description, "All files (*.*)");
    EXPECT_EQ(request.filters[1].pattern, "*.*");
    EXPECT_EQ(request.initialFolder, std::filesystem::path(dlg_->recordFolder()));
    EXPECT_TRUE(request.overwritePrompt);

    EXPECT_EQ(FileBytes(target), FileOf(module.records, {0, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(FileBytes(target).size(), 5u + 121u + 7u * 127u);
    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_FALSE(view_.isEnabled(ControlId::SaveSetupRecord));
    EXPECT_EQ(view_.fileLines(), (std::vector<std::string>{line + ".rec"}));
    EXPECT_EQ(Text(farm->monitorBytesReceived(0)),
              "MG0\r\nG2\r\nG3\r\nG4\r\nG5\r\nG6\r\nG7\r\nG8\r\n");
}

TEST_F(DownloadTest, EndAnswerAtRecordZeroSavesTheHeaderAlone) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records.clear();
    auto farm = startAndSelect(module);
    view_.saveDialogAnswers.push_back(folder_ / "empty.rec");
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.log(),
              kTraceToRecords + "setup 0 getting...save setuprecord...\r\nsuccess.\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 11, 12, 0, 0}));
    EXPECT_EQ(FileBytes(folder_ / "empty.rec"), Bytes({0x04, 'R', 'E', 'C', 'F'}));
    EXPECT_EQ(Text(farm->monitorBytesReceived(0)), "MG0\r\n");
}

TEST_F(DownloadTest, NulBytesInThePromptsAreHarmless) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::NulInPrompt;
    auto farm = startAndSelect(module);
    view_.saveDialogAnswers.push_back(folder_ / "nul.rec");
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{"done."}));
    EXPECT_EQ(FileBytes(folder_ / "nul.rec"), FileOf(module.records, {0, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(DownloadTest, StopMidLineReportsTheTimeOutAndSavesNothing) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::StopMidLine;
    auto farm = startAndSelect(module);
    view_.saveDialogAnswers.push_back(folder_ / "never.rec");
    dlg_->OnSaveSetupRecord();
    const int timedOut = platform::socket_error::kTimedOut;
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{platform::systemErrorText(timedOut)}));
    EXPECT_EQ(view_.log(), kTraceToRecords + RecordsTrace({0}) +
                               "setup 2 getting...error:" + std::to_string(timedOut) + "\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 2, 3, 0}));
    EXPECT_TRUE(view_.saveRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(folder_ / "never.rec"));
    EXPECT_EQ(view_.deviceLines().size(), 1u);
}

TEST_F(DownloadTest, PromptOfOnlyLineEndsIsAFailedWait) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::OnlyCrLfPrompt;
    auto farm = startAndSelect(module);
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.log(), "Save:start.\r\ntelnet:start.connect.success.\r\nerror:-1\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 0}));
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_EQ(Text(farm->monitorBytesReceived(0)), "");
}

TEST_F(DownloadTest, OversizeLineFailsClearlyInEitherLanguage) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::OversizeCount;
    auto farm = startAndSelect(module);
    view_.saveDialogAnswers.push_back(folder_ / "big.rec");
    dlg_->OnSaveSetupRecord();
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_NE(view_.boxes[0].text.find("40 bytes"), std::string::npos);
    EXPECT_EQ(view_.boxes[0].kind, MessageKind::ResultText);
    EXPECT_TRUE(view_.saveRequests.empty());
    EXPECT_EQ(view_.progress.back(), 0);
    EXPECT_EQ(view_.deviceLines().size(), 1u);

    app::CInitDlg japanese(view_, launcher_, platform::Language::Japanese, folder_ / "QUELVARinit");
    japanese.OnSearch();
    view_.setListSelection(ControlId::DeviceList, 0);
    japanese.UpdateControls();
    view_.boxes.clear();
    japanese.OnSaveSetupRecord();
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_NE(view_.boxes[0].text.find("40 バイト"), std::string::npos);
}

TEST_F(DownloadTest, RecordsBeyondTheFileSizeFailWithoutSaving) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::TooManyRecords;
    auto farm = startAndSelect(module);
    view_.saveDialogAnswers.push_back(folder_ / "huge.rec");
    dlg_->OnSaveSetupRecord();
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_NE(view_.boxes[0].text.find("4096"), std::string::npos);
    EXPECT_TRUE(view_.saveRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(folder_ / "huge.rec"));
    EXPECT_EQ(view_.progress.back(), 0);
}

TEST_F(DownloadTest, CancelEmptiesTheDeviceListAndWritesNothing) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    view_.saveDialogAnswers.push_back(std::nullopt);
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.log(), kTraceToRecords + RecordsTrace({0, 2, 3, 4, 5, 6, 7, 8}) +
                               "save setuprecord...\r\ncancel.\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0}));
    EXPECT_TRUE(view_.boxes.empty());
    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_TRUE(view_.fileLines().empty());
}

TEST_F(DownloadTest, ConfirmedOverwriteReplacesTheFileByExactlyTheNewImage) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    for (int n : {3, 4, 5, 6, 7, 8}) module.records.erase(n);
    auto farm = startAndSelect(module);
    const std::filesystem::path target = folder_ / "old.rec";
    WriteFile(target, Bytes(3000, 0xEE));
    view_.saveDialogAnswers.push_back(target);
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(FileBytes(target), FileOf(module.records, {0, 2}));
    EXPECT_EQ(view_.fileLines(), (std::vector<std::string>{"old.rec"}));
}

TEST_F(DownloadTest, FolderThatCannotTakeTheFileShowsOpenError) {
    auto farm = startAndSelect(sim::DefaultModule(0));
    // A path through a plain file: no one can create anything there.
    WriteFile(folder_ / "plain", Bytes{1});
    view_.saveDialogAnswers.push_back(folder_ / "plain" / "x.rec");
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{"OpenError"}));
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
    EXPECT_TRUE(view_.log().ends_with("save setuprecord...\r\n"));
    EXPECT_EQ(view_.deviceLines().size(), 1u);
}

TEST_F(DownloadTest, SilentModuleIsReportedBeforeAnythingChanges) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    auto farm = startAndSelect(module);
    farm->stop();
    const std::string logBefore = view_.log();
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{"The device cannot communicate."}));
    EXPECT_EQ(view_.boxes[0].kind, MessageKind::Warning);
    EXPECT_EQ(view_.log(), logBefore);
    EXPECT_TRUE(view_.progress.empty());
}

}  // namespace
}  // namespace quelvar::testing
