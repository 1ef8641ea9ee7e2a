// The window's operations (the core's CInitDlg over the recording FakeView)
// on Windows against the simulated modules: search, a download into a folder
// with a Japanese name, the upload of that file, and the socket errors as
// the user and the activity log see them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/init_dlg.h"
#include "platform/socket.h"
#include "platform/utf8.h"
#include "sim_modules.h"
#include "support/fake_view.h"
#include "support/recording_launcher.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

class WindowOperations : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(platform::initializeSocketLibrary()); }

    void SetUp() override {
        QUELVAR_REQUIRE_SIMULATOR();
        // 記録 (records), beside the "executable", which makes it the record folder.
        folder_ = fs::temp_directory_path() /
                  platform::pathFromUtf8("\xE8\xA8\x98\xE9\x8C\xB2 " + std::string(::testing::UnitTest::GetInstance()
                                                                                    ->current_test_info()
                                                                                    ->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        dlg_ = std::make_unique<app::CInitDlg>(view_, launcher_, platform::Language::English,
                                               folder_ / L"QUELVARinit.exe");
        dlg_->OnInitDialog();
    }
    void TearDown() override {
        dlg_.reset();
        std::error_code error;
        fs::remove_all(folder_, error);
    }

    // Searches and selects the line of the module at `address`.
    void searchAndSelect(const std::string& address) {
        dlg_->OnSearch();
        const auto& lines = view_.deviceLines();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].find(" - " + address + " - ") != std::string::npos) {
                view_.setListSelection(ControlId::DeviceList, static_cast<int>(i));
                dlg_->OnNotify(ControlId::DeviceList, app::Notification::SelectionChanged);
                return;
            }
        }
        FAIL() << address << " is not among the search results";
    }

    void download(const std::string& address, const fs::path& target) {
        searchAndSelect(address);
        view_.saveDialogAnswers.push_back(target);
        view_.boxes.clear();
        dlg_->OnSaveSetupRecord();
    }

    FakeView view_;
    RecordingLauncher launcher_;
    fs::path folder_;
    std::unique_ptr<app::CInitDlg> dlg_;
};

TEST_F(WindowOperations, SearchListsEveryModuleOnce) {
    dlg_->OnSearch();
    EXPECT_EQ(dlg_->deviceTable().count, kModuleCount);
    std::vector<std::string> lines = view_.deviceLines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kModuleCount));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines[0], "02-00-5E-10-00-00 - 127.0.0.2 - AA - 6.0");
    EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(WindowOperations, DownloadedRecordsGoBackUnchanged) {
    // The record folder is the executable's folder, in UTF-8, and the save
    // dialog opens there.
    EXPECT_EQ(dlg_->recordFolder(), platform::utf8Of(folder_) + "\\");
    const fs::path first = folder_ / platform::pathFromUtf8("\xE8\xA8\xAD\xE5\xAE\x9A.rec");  // 設定.rec
    download("127.0.0.2", first);
    ASSERT_EQ(view_.boxTexts(), (std::vector<std::string>{"done."})) << view_.log();
    ASSERT_EQ(view_.saveRequests.size(), 1u);
    EXPECT_EQ(view_.saveRequests[0].initialFolder, folder_ / L"");
    const std::vector<std::uint8_t> saved = Bytes(first);
    ASSERT_GT(saved.size(), 5u);
    EXPECT_EQ(std::string(saved.begin() + 1, saved.begin() + 5), "RECF");
    // The save refilled the file list from the record folder.
    EXPECT_EQ(view_.fileLines(), (std::vector<std::string>{"\xE8\xA8\xAD\xE5\xAE\x9A.rec"}));

    // Apply the file (confirmation answered OK), then read the module again.
    searchAndSelect("127.0.0.2");
    view_.setListSelection(ControlId::FileList, 0);
    dlg_->OnNotify(ControlId::FileList, app::Notification::SelectionChanged);
    view_.boxes.clear();
    dlg_->OnLoadSetupRecord();
    ASSERT_EQ(view_.boxes.size(), 2u) << view_.log();  // the confirmation, then the result
    EXPECT_EQ(view_.boxes[1].text, "done.");

    const fs::path second = folder_ / L"again.rec";
    download("127.0.0.2", second);
    ASSERT_EQ(view_.boxTexts(), (std::vector<std::string>{"done."})) << view_.log();
    EXPECT_EQ(Bytes(second), saved);
}

TEST_F(WindowOperations, SocketErrorsReachTheUserOnceWithTheirWinsockCode) {
    // A monitor port that stops mid-line: the 1000 ms receive time-out.
    download("127.0.0.4", folder_ / L"never.rec");
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_FALSE(view_.boxes[0].text.empty());  // the system's words, or the tool's own
    EXPECT_NE(view_.log().find("error:10060\r\n"), std::string::npos) << view_.log();
    EXPECT_FALSE(fs::exists(folder_ / L"never.rec"));

    // No monitor port at all: the connection is refused.
    download("127.0.0.5", folder_ / L"refused.rec");
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_FALSE(view_.boxes[0].text.empty());
    EXPECT_NE(view_.log().find("error:10061\r\n"), std::string::npos) << view_.log();
}

}  // namespace
}  // namespace quelvar::testing
