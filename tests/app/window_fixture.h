#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "app/init_dlg.h"
#include "support/fake_view.h"
#include "support/recording_launcher.h"
#include "support/sim_fixture.h"
#include "support/temp_folder.h"
#include "support/timing.h"

namespace quelvar::testing {

// A CInitDlg over a FakeView, started as the window starts it, with an
// executable path in a temporary folder of this test process's own.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QUELVAR_REQUIRE_NETNS();
        temp_.emplace("window");
        folder_ = temp_->path();
        dlg_ = std::make_unique<app::CInitDlg>(view_, launcher_, platform::Language::English,
                                               folder_ / "QUELVARinit");
        dlg_->OnInitDialog();
    }
    void TearDown() override { dlg_.reset(); }

    void selectDevice(int line) {
        view_.setListSelection(app::ControlId::DeviceList, line);
        dlg_->OnNotify(app::ControlId::DeviceList, app::Notification::SelectionChanged);
    }

    FakeView view_;
    RecordingLauncher launcher_;
    std::optional<TempFolder> temp_;
    std::filesystem::path folder_;
    std::unique_ptr<app::CInitDlg> dlg_;
};

}  // namespace quelvar::testing
