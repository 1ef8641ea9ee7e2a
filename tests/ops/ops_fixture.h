#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "app/init_dlg.h"
#include "support/fake_view.h"
#include "support/recording_launcher.h"
#include "support/sim_fixture.h"
#include "support/timing.h"

namespace quelvar::testing {

// A CInitDlg over a FakeView, started as the window starts it, with an
// executable path in a fresh temporary folder.
class OperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUELVAR_REQUIRE_NETNS();
        folder_ = std::filesystem::temp_directory_path() /
                  ("quelvar-ops-" + std::string(::testing::UnitTest::GetInstance()
                                                    ->current_test_info()
                                                    ->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        dlg_ = std::make_unique<app::CInitDlg>(view_, launcher_, platform::Language::English,
                                               folder_ / "QUELVARinit");
        dlg_->OnInitDialog();
    }
    void TearDown() override {
        dlg_.reset();
        std::filesystem::remove_all(folder_);
    }

    void selectDevice(int line) {
        view_.setListSelection(platform::ControlId::DeviceList, line);
        dlg_->OnNotify(platform::ControlId::DeviceList, app::Notification::SelectionChanged);
    }

    FakeView view_;
    RecordingLauncher launcher_;
    std::filesystem::path folder_;
    std::unique_ptr<app::CInitDlg> dlg_;
};

}  // namespace quelvar::testing
