// Telnet and web manager hand the address in the control to outside programs.
#include <gtest/gtest.h>

#include "window_fixture.h"
#include "sim/module.h"

namespace quelvar::testing {
namespace {

using platform::StartResult;

using LaunchTest = WindowTest;

TEST_F(LaunchTest, StartsWithTheAddressInTheControl) {
    auto farm = StartFarm({sim::DefaultModule(0)});
    dlg_->OnSearch();
    selectDevice(0);
    dlg_->OnTelnet();
    dlg_->OnWebManager();
    view_.ip = {10, 1, 2, 3};  // edited after the selection: the check still probes the module
    dlg_->OnTelnet();
    dlg_->OnWebManager();
    view_.clearIpAddress();
    dlg_->OnTelnet();
    EXPECT_EQ(launcher_.telnetStarts,
              (std::vector<std::string>{"127.0.0.2 9999", "10.1.2.3 9999", "0.0.0.0 9999"}));
    EXPECT_EQ(launcher_.urls, (std::vector<std::string>{"http://127.0.0.2", "http://10.1.2.3"}));
    EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(LaunchTest, MissingTelnetAndSilentModuleAreReported) {
    auto farm = StartFarm({sim::DefaultModule(0)});
    dlg_->OnSearch();
    selectDevice(0);
    launcher_.telnetResult = StartResult::NotFound;
    dlg_->OnTelnet();
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_EQ(view_.boxes[0].kind, app::MessageKind::Warning);
    EXPECT_EQ(view_.boxes[0].text, "Telnet is not installed. ");
    launcher_.telnetResult = StartResult::OtherFailure;
    dlg_->OnTelnet();
    EXPECT_EQ(view_.boxes.size(), 1u);

    farm->stop();
    launcher_.telnetStarts.clear();
    dlg_->OnTelnet();
    dlg_->OnWebManager();
    EXPECT_EQ(view_.boxTexts(), (std::vector<std::string>{"Telnet is not installed. ",
                                                          "The device cannot communicate.",
                                                          "The device cannot communicate."}));
    EXPECT_TRUE(launcher_.telnetStarts.empty());
    EXPECT_TRUE(launcher_.urls.empty());
}

}  // namespace
}  // namespace quelvar::testing
