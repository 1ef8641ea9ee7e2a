// Giving a module a new address, end to end against a simulated module.
#include <gtest/gtest.h>

#include "discovery/datagrams.h"
#include "window_fixture.h"
#include "sim/module.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using app::MessageAnswer;
using app::MessageKind;

using SetIpAddressTest = WindowTest;

TEST_F(SetIpAddressTest, ModuleMovesAndAnswersAtItsNewAddress) {
    auto module = sim::DefaultModule(0);
    module.replyPort = 40000;  // answers from a port other than the discovery port
    auto farm = StartFarm({module});
    dlg_->OnSearch();
    selectDevice(0);
    view_.ip = {127, 0, 0, 77};
    view_.progress.clear();

    dlg_->OnSetIpAddress();

    EXPECT_EQ(view_.log(),
              "Set IP address:start.\r\nSet IP...success.\r\nping:success:\r\n\r\n"
              "Set IP address:end.\r\n");
    EXPECT_EQ(view_.progress, (std::vector<int>{1, 2, 3, 5, 6, 8, 0, 10, 0}));
    ASSERT_EQ(view_.boxes.size(), 2u);
    EXPECT_EQ(view_.boxes[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(view_.boxes[0].text, "Assign the IP address to the device.\nDo you confirm?");
    EXPECT_EQ(view_.boxes[1].kind, MessageKind::ResultText);
    EXPECT_EQ(view_.boxes[1].text, "done.");
    EXPECT_TRUE(view_.deviceLines().empty());
    EXPECT_TRUE(view_.ipBlank);
    EXPECT_FALSE(view_.isEnabled(ControlId::SetIpAddress));

    // The command went once to the address and port the reply came from.
    auto expected = discovery::EncodeIpSetup(module.mac, {127, 0, 0, 77});
    int commands = 0;
    for (const auto& datagram : farm->receivedDatagrams()) {
        if (datagram.bytes.size() == 20) {
            ++commands;
            EXPECT_EQ(datagram.bytes, sim::Bytes(expected.begin(), expected.end()));
            EXPECT_EQ(datagram.to, (platform::Ipv4Endpoint{{127, 0, 0, 2}, 40000}));
        }
    }
    EXPECT_EQ(commands, 1);
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 77}));

    dlg_->OnSearch();
    ASSERT_EQ(view_.deviceLines().size(), 1u);
    EXPECT_NE(view_.deviceLines()[0].find(" - 127.0.0.77 - "), std::string::npos);
}

TEST_F(SetIpAddressTest, CancelOrSilentModuleChangesNothing) {
    auto module = sim::DefaultModule(0);
    auto farm = StartFarm({module});
    dlg_->OnSearch();
    selectDevice(0);
    std::string log = view_.log();
    view_.progress.clear();

    view_.confirmationAnswers.push_back(MessageAnswer::Cancel);
    dlg_->OnSetIpAddress();
    EXPECT_EQ(view_.boxes.size(), 1u);
    EXPECT_TRUE(view_.progress.empty());
    EXPECT_EQ(view_.log(), log);

    farm->stop();  // the module falls silent
    dlg_->OnSetIpAddress();
    ASSERT_EQ(view_.boxes.size(), 3u);
    EXPECT_EQ(view_.boxes[2].kind, MessageKind::Warning);
    EXPECT_EQ(view_.boxes[2].text, "The device cannot communicate.");
    EXPECT_EQ(view_.log(), log);
    EXPECT_TRUE(view_.progress.empty());
    EXPECT_EQ(view_.deviceLines().size(), 1u);
}

TEST_F(SetIpAddressTest, UnreachableNewAddressLogsErrorAndStillEndsDone) {
    auto farm = StartFarm({sim::DefaultModule(0)});
    dlg_->OnSearch();
    selectDevice(0);
    view_.clearIpAddress();  // blank control: the new address is 0.0.0.0
    dlg_->OnSetIpAddress();
    EXPECT_EQ(view_.log(),
              "Set IP address:start.\r\nSet IP...success.\r\nping:error !\r\n\r\n"
              "Set IP address:end.\r\n");
    EXPECT_EQ(view_.boxes.back().text, "done.");
}

TEST_F(SetIpAddressTest, AddressAnotherModuleAnswersAtIsRefusedWithNothingSent) {
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1)});
    dlg_->OnSearch();
    selectDevice(0);
    std::string log = view_.log();
    view_.setIpAddress({127, 0, 0, 3});

    ops::Outcome outcome = dlg_->OnSetIpAddress();
    EXPECT_EQ(outcome.kind, ops::OutcomeKind::AddressInUse);
    ASSERT_EQ(view_.boxes.back().kind, MessageKind::Warning);
    EXPECT_EQ(view_.boxes.back().text, "Another device (" + discovery::FormatMac(farm->module(1).mac) +
                                           ") already answers at 127.0.0.3.\n"
                                           "The IP address was not assigned.");
    EXPECT_EQ(view_.log(), log);
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 2}));
    EXPECT_EQ(view_.deviceLines().size(), 2u);
}

}  // namespace
}  // namespace quelvar::testing
