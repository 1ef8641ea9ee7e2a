// The window's start and the shared pieces every operation uses.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "app/init_app.h"
#include "window_fixture.h"
#include "platform/socket.h"

namespace quelvar::testing {
namespace {

using app::ControlId;

using StartTest = WindowTest;

TEST_F(StartTest, StartsWithBuildLineHiddenLogAndNothingSelected) {
    EXPECT_EQ(view_.log(), "build.104\r\n");
    EXPECT_FALSE(view_.visible[ControlId::ActivityLog]);
    EXPECT_EQ(view_.texts[ControlId::VersionLabel], "1.04");
    EXPECT_EQ(view_.progressLower, 0);
    EXPECT_EQ(view_.progressUpper, 13);
    EXPECT_EQ(view_.progressPosition, 0);
    EXPECT_EQ(view_.texts[ControlId::RecordFolderLabel], folder_.string() + "/");
    EXPECT_EQ(dlg_->recordFolder(), folder_.string() + "/");
    for (auto id : {ControlId::LoadSetupRecord, ControlId::SaveSetupRecord, ControlId::SetIpAddress,
                    ControlId::IpAddress, ControlId::Telnet, ControlId::WebManager}) {
        EXPECT_FALSE(view_.isEnabled(id));
    }
}

TEST_F(StartTest, FolderChoiceRefreshesTheListAndCancelChangesNothing) {
    auto other = folder_ / "other";
    std::filesystem::create_directories(other);
    std::ofstream(other / "one.rec") << "x";
    view_.folderAnswers.push_back(std::nullopt);
    dlg_->OnBrowseFolder();
    EXPECT_EQ(view_.folderRequests.back().first, "select folder");
    EXPECT_EQ(view_.folderRequests.back().second, folder_.string() + "/");
    EXPECT_EQ(dlg_->recordFolder(), folder_.string() + "/");

    view_.folderAnswers.push_back(other);
    dlg_->OnBrowseFolder();
    EXPECT_EQ(dlg_->recordFolder(), other.string() + "/");
    EXPECT_EQ(view_.texts[ControlId::RecordFolderLabel], other.string() + "/");
    EXPECT_EQ(view_.fileLines(), std::vector<std::string>{"one.rec"});
    EXPECT_EQ(view_.listSelection(ControlId::FileList), -1);
}

TEST_F(StartTest, OperationsWithoutASelectedDeviceDoNothing) {
    // As after a search that failed: buttons may be enabled with no line selected.
    view_.boxes.clear();
    std::string before = view_.log();
    dlg_->OnSetIpAddress();
    dlg_->OnTelnet();
    dlg_->OnWebManager();
    view_.setListSelection(ControlId::DeviceList, 3);  // a line no search filled
    dlg_->OnSetIpAddress();
    dlg_->OnTelnet();
    EXPECT_TRUE(view_.boxes.empty());
    EXPECT_EQ(view_.log(), before);
    EXPECT_TRUE(launcher_.telnetStarts.empty());
}

struct RecordingFrontEnd : app::FrontEnd {
    std::vector<std::string> warnings;
    int windows = 0;
    void showStartupWarning(const std::string& text) override { warnings.push_back(text); }
    int runMainWindow() override { return ++windows, 0; }
};

TEST(Startup, WithoutSocketsOnlyTheWarningIsShown) {
    RecordingFrontEnd frontEnd;
    app::CInitApp failing([] { return false; });
    EXPECT_NE(failing.InitInstance(frontEnd, platform::Language::English), 0);
    EXPECT_EQ(frontEnd.warnings, std::vector<std::string>{"Windows sockets initialization failed."});
    EXPECT_EQ(frontEnd.windows, 0);
    app::CInitApp working([] { return true; });
    EXPECT_EQ(working.InitInstance(frontEnd, platform::Language::Japanese), 0);
    EXPECT_EQ(frontEnd.windows, 1);
}

}  // namespace
}  // namespace quelvar::testing
