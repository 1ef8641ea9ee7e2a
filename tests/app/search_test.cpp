// The Search button against simulated modules.
#include <gtest/gtest.h>

#include <algorithm>

#include "window_fixture.h"
#include "sim/module.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using app::MessageKind;

std::vector<sim::ModuleConfig> modules(int count) {
    std::vector<sim::ModuleConfig> result;
    for (int i = 0; i < count; ++i) result.push_back(sim::DefaultModule(i));
    return result;
}

std::string lineOf(const sim::ModuleConfig& module) {
    discovery::DeviceEntry entry;
    entry.mac = module.mac;
    entry.ipText = platform::Ipv4Endpoint{module.address, 0}.addressText();
    entry.productLetters = module.productLetters;
    entry.versionMajor = module.versionMajor;
    entry.versionMinor = module.versionMinor;
    return discovery::FormatDeviceLine(entry);
}

using SearchTest = WindowTest;

TEST_F(SearchTest, NoModuleEndsAfterAQuietSecondWithNotFound) {
    auto farm = StartFarm({});
    double seconds = SecondsOf([&] { dlg_->OnSearch(); });
    EXPECT_GE(seconds, 0.95);
    EXPECT_LT(seconds, 1.5);
    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_EQ(view_.log(), "QUELVAR is not found.\r\n");
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_EQ(view_.boxes[0].kind, MessageKind::ResultText);
    EXPECT_EQ(view_.boxes[0].text, "not found.");
    for (auto id : {ControlId::LoadSetupRecord, ControlId::SaveSetupRecord, ControlId::SetIpAddress,
                    ControlId::IpAddress, ControlId::Telnet, ControlId::WebManager}) {
        EXPECT_FALSE(view_.isEnabled(id)) << static_cast<int>(id);
    }
}

TEST_F(SearchTest, ListsEveryModuleOnceWithItsLine) {
    auto config = modules(3);
    auto farm = StartFarm(config);
    dlg_->OnSearch();
    std::vector<std::string> lines = view_.deviceLines();
    std::vector<std::string> expected = {lineOf(config[0]), lineOf(config[1]), lineOf(config[2])};
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(dlg_->deviceTable().count, 3);
    EXPECT_TRUE(view_.boxes.empty());
    EXPECT_EQ(view_.log(), "");
    // Rows and lines agree, so a selection names the module on that line.
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(discovery::FormatDeviceLine(dlg_->deviceTable().rows[row]), view_.deviceLines()[row]);
    }
}

TEST_F(SearchTest, OneModuleIsListedAndNothingSelected) {
    auto config = modules(1);
    auto farm = StartFarm(config);
    view_.fileLines() = {"a.rec"};
    view_.setListSelection(ControlId::FileList, 0);
    dlg_->OnSearch();
    EXPECT_EQ(view_.deviceLines(), std::vector<std::string>{lineOf(config[0])});
    EXPECT_EQ(view_.listSelection(ControlId::FileList), -1);
    EXPECT_FALSE(view_.isEnabled(ControlId::LoadSetupRecord));
    EXPECT_FALSE(view_.isEnabled(ControlId::SaveSetupRecord));
}

TEST_F(SearchTest, DuplicateRepliesAndOverlongRepliesAreTakenAsTheyCome) {
    auto config = modules(2);
    config[0].searchReplyCount = 2;
    config[1].searchReplySize = 31;
    auto farm = StartFarm(config);
    dlg_->OnSearch();
    EXPECT_EQ(view_.deviceLines(), (std::vector<std::string>{lineOf(config[0]), lineOf(config[0])}));
}

TEST_F(SearchTest, EachReplyWithinASecondProlongsTheSearch) {
    auto config = modules(3);
    config[1].searchReplyDelay = std::chrono::milliseconds(900);
    config[2].searchReplyDelay = std::chrono::milliseconds(1800);
    auto farm = StartFarm(config);
    double seconds = SecondsOf([&] { dlg_->OnSearch(); });
    EXPECT_EQ(view_.deviceLines(),
              (std::vector<std::string>{lineOf(config[0]), lineOf(config[1]), lineOf(config[2])}));
    EXPECT_GE(seconds, 2.75);
    EXPECT_LT(seconds, 3.6);
}

TEST_F(SearchTest, ThreeHundredModulesFillTheTableAndTheRestIsDrained) {
    auto farm = StartFarm(modules(300));
    double seconds = SecondsOf([&] { dlg_->OnSearch(); });
    EXPECT_EQ(view_.deviceLines().size(), 256u);
    EXPECT_EQ(dlg_->deviceTable().count, 256);
    EXPECT_LT(seconds, 3.0);
    // The live log says what the list leaves out; the activity log keeps its text.
    EXPECT_EQ(view_.diagnostics,
              std::vector<std::string>{"44 more replies than a search keeps: not listed"});
    // A second search starts afresh.
    dlg_->OnSearch();
    EXPECT_EQ(view_.deviceLines().size(), 256u);
}

TEST_F(SearchTest, SelectingADeviceDumpsItsDetailsAndFillsTheAddress) {
    auto farm = StartFarm(modules(1));
    dlg_->OnSearch();
    selectDevice(0);
    EXPECT_EQ(view_.log(),
              "Device data...\r\nip:127.0.0.2\r\nserialport:0\r\ncp1:CTS\r\ncp2:CTS\r\ncp3:CTS\r\n"
              "activehigh:false\r\nbps:38400\r\nflow:0\r\n");
    EXPECT_EQ(view_.ip, (platform::Ipv4Octets{127, 0, 0, 2}));
    EXPECT_FALSE(view_.isEnabled(ControlId::LoadSetupRecord));
    for (auto id : {ControlId::SaveSetupRecord, ControlId::SetIpAddress, ControlId::IpAddress,
                    ControlId::Telnet, ControlId::WebManager}) {
        EXPECT_TRUE(view_.isEnabled(id)) << static_cast<int>(id);
    }
    view_.fileLines() = {"a.rec"};
    view_.setListSelection(ControlId::FileList, 0);
    view_.setText(ControlId::ActivityLog, "something else");
    dlg_->OnNotify(ControlId::FileList, app::Notification::FocusGained);
    EXPECT_TRUE(view_.isEnabled(ControlId::LoadSetupRecord));
    EXPECT_EQ(view_.log().rfind("Device data...\r\n", 0), 0u) << "focus gain rewrites the log";
    EXPECT_EQ(view_.progress.back(), 0);
}

}  // namespace
}  // namespace quelvar::testing
