// "Save setuprecord" and "Load setuprecord" in the window, end to end against
// one simulated module: what the window shows and asks around the transfers.
// What the transfers themselves send, log and keep, the ops tests check.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "monitor/transfer_fixture.h"
#include "sim/module.h"
#include "window_fixture.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using app::MessageAnswer;
using app::MessageKind;

const std::string kConfirmApply = "Apply the setup record to the device.\nDo you confirm?";

class TransferWindowTest : public WindowTest {
  protected:
    // One module, found by Search and selected; what the search showed is forgotten.
    void startAndSelect(sim::ModuleConfig module) {
        farm_ = StartFarm({std::move(module)});
        dlg_->OnSearch();
        ASSERT_EQ(view_.deviceLines().size(), 1u);
        selectDevice(0);
        view_.progress.clear();
        view_.boxes.clear();
    }
    // A file of these bytes put into the record folder and selected there.
    void selectFile(const std::string& name, const Bytes& bytes) {
        ASSERT_TRUE(WriteFile(folder_ / name, bytes));
        dlg_->RefreshFileList(dlg_->recordFolder());
        const std::vector<std::string>& lines = view_.fileLines();
        auto it = std::find(lines.begin(), lines.end(), name);
        ASSERT_NE(it, lines.end());
        view_.setListSelection(ControlId::FileList, static_cast<int>(it - lines.begin()));
        dlg_->UpdateControls();
        view_.progress.clear();
    }

    std::unique_ptr<sim::Farm> farm_;
};

TEST_F(TransferWindowTest, SaveAsksForTheFileShowsDoneAndRefreshesBothLists) {
    ASSERT_NO_FATAL_FAILURE(startAndSelect(sim::DefaultModule(0)));
    const std::string line = view_.deviceLines().at(0);
    view_.saveDialogAnswers.push_back(folder_ / (line + ".rec"));

    dlg_->OnSaveSetupRecord();

    EXPECT_EQ(view_.log(), kSaveTraceToRecords + SaveRecordsTrace(kDefaultRecordNumbers) +
                               "save setuprecord...\r\nsuccess.\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0}));
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_EQ(view_.boxes[0].kind, MessageKind::ResultText);
    EXPECT_EQ(view_.boxes[0].text, "done.");

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

    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_FALSE(view_.isEnabled(ControlId::SaveSetupRecord));
    EXPECT_EQ(view_.fileLines(), (std::vector<std::string>{line + ".rec"}));
}

TEST_F(TransferWindowTest, CancelledSaveDialogEmptiesTheDeviceListAndWritesNothing) {
    ASSERT_NO_FATAL_FAILURE(startAndSelect(sim::DefaultModule(0)));
    view_.saveDialogAnswers.push_back(std::nullopt);
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.log(), kSaveTraceToRecords + SaveRecordsTrace(kDefaultRecordNumbers) +
                               "save setuprecord...\r\ncancel.\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0}));
    EXPECT_TRUE(view_.boxes.empty());
    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_TRUE(view_.fileLines().empty());
}

TEST_F(TransferWindowTest, FileThatCannotBeCreatedShowsOpenErrorAndKeepsTheDevice) {
    ASSERT_NO_FATAL_FAILURE(startAndSelect(sim::DefaultModule(0)));
    // A path through a plain file: no one can create anything there.
    ASSERT_TRUE(WriteFile(folder_ / "plain", Bytes{1}));
    view_.saveDialogAnswers.push_back(folder_ / "plain" / "x.rec");
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{"OpenError"}));
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
    EXPECT_TRUE(view_.log().ends_with("save setuprecord...\r\n"));
    EXPECT_EQ(view_.deviceLines().size(), 1u);
}

TEST_F(TransferWindowTest, FailedReadAsksForNoFileAndKeepsTheDevice) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::TooManyRecords;
    ASSERT_NO_FATAL_FAILURE(startAndSelect(module));
    view_.saveDialogAnswers.push_back(folder_ / "huge.rec");
    dlg_->OnSaveSetupRecord();
    EXPECT_EQ(view_.boxes.size(), 1u);
    EXPECT_TRUE(view_.saveRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(folder_ / "huge.rec"));
    EXPECT_EQ(view_.deviceLines().size(), 1u);
}

TEST_F(TransferWindowTest, LoadIsConfirmedShowsDoneAndEmptiesTheDeviceList) {
    ASSERT_NO_FATAL_FAILURE(startAndSelect(sim::DefaultModule(0)));
    ASSERT_NO_FATAL_FAILURE(
        selectFile("two.rec", records::EncodeRecords({RecordOf(0), RecordOf(5)})));

    dlg_->OnLoadSetupRecord();

    EXPECT_EQ(view_.log(), kLoadTraceToRecords + LoadRecordTrace(0) + LoadRecordTrace(5) +
                               "setup:" + kLoadTraceAfterRecords);
    EXPECT_EQ(view_.progress, (std::vector<int>{0, 1, 1, 2, 3, 11, 12, 0, 13, 0}));
    ASSERT_EQ(view_.boxes.size(), 2u);
    EXPECT_EQ(view_.boxes[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(view_.boxes[0].text, kConfirmApply);
    EXPECT_EQ(view_.boxes[1].kind, MessageKind::ResultText);
    EXPECT_EQ(view_.boxes[1].text, "done.");
    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_FALSE(view_.isEnabled(ControlId::LoadSetupRecord));
    EXPECT_TRUE(view_.diagnostics.empty());
}

// The window sends what it always sent around a load: the status query of
// its check and those that wait for the module after the reset, all to the
// module's address. A module its records moved is left to the next search.
TEST_F(TransferWindowTest, ALoadSendsOnlyItsStatusQueriesEvenWhenTheModuleMoved) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.movesOnReset = true;
    const sim::RecordPlace place = sim::AddressPlaceInRecords(module);
    records::Record moving = RecordOf(place.record);
    const platform::Ipv4Octets elsewhere{127, 0, 0, 88};
    std::copy(elsewhere.begin(), elsewhere.end(), moving.data.begin() + place.offset);
    ASSERT_NO_FATAL_FAILURE(startAndSelect(module));
    ASSERT_NO_FATAL_FAILURE(selectFile("moving.rec", records::EncodeRecords({moving})));
    const std::size_t before = farm_->receivedDatagrams().size();

    dlg_->OnLoadSetupRecord();

    std::string afterRecords = kLoadTraceAfterRecords;
    afterRecords.replace(afterRecords.find("ping:success:"), 13, "ping:error !");
    EXPECT_EQ(view_.log(),
              kLoadTraceToRecords + LoadRecordTrace(place.record) + "setup:" + afterRecords);
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{kConfirmApply, "done."}));
    EXPECT_TRUE(view_.diagnostics.empty());
    const std::vector<sim::ReceivedDatagram> sent = farm_->receivedDatagrams();
    // One before the write and ten after the reset, where the module was.
    ASSERT_EQ(sent.size() - before, 11u);
    for (std::size_t i = before; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].bytes, (Bytes{0, 0, 0, 0xF8})) << "datagram " << i - before;
        EXPECT_EQ(sent[i].to, (platform::Ipv4Endpoint{module.address, 30718}));
    }
}

TEST_F(TransferWindowTest, CancelInTheLoadConfirmationDoesNothing) {
    ASSERT_NO_FATAL_FAILURE(startAndSelect(sim::DefaultModule(0)));
    ASSERT_NO_FATAL_FAILURE(selectFile("empty.rec", records::EncodeRecords({})));
    const std::string logBefore = view_.log();
    const std::size_t datagramsBefore = farm_->receivedDatagrams().size();
    view_.confirmationAnswers.push_back(MessageAnswer::Cancel);

    dlg_->OnLoadSetupRecord();

    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{kConfirmApply}));
    EXPECT_EQ(view_.log(), logBefore);
    EXPECT_TRUE(view_.progress.empty());
    EXPECT_EQ(farm_->receivedDatagrams().size(), datagramsBefore);
    EXPECT_EQ(farm_->monitorConnections(0), 0);
    EXPECT_EQ(view_.deviceLines().size(), 1u);
}

}  // namespace
}  // namespace quelvar::testing
