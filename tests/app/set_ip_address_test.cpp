// Giving a module a new address, end to end against a simulated module.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

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

    // What went out besides the search: the status query of the check, the
    // one that finds the new address free, the command once to the address
    // and port the reply came from, and status queries at the new address
    // until it answered there; nothing else. (The command and the first
    // query after it go out together: the farm may take them in either order.)
    const std::vector<sim::ReceivedDatagram> sent = farm->receivedDatagrams();
    std::vector<sim::ReceivedDatagram> afterSearch;
    std::copy_if(sent.begin(), sent.end(), std::back_inserter(afterSearch),
                 [](const sim::ReceivedDatagram& datagram) { return datagram.bytes[3] != 0xF6; });
    const sim::Bytes query{0, 0, 0, 0xF8};
    const auto command = discovery::EncodeIpSetup(module.mac, {127, 0, 0, 77});
    std::string seen;
    for (const sim::ReceivedDatagram& datagram : afterSearch) {
        seen += "\n  code " + std::to_string(datagram.bytes[3]) + " to " +
                platform::formatIpv4(datagram.to.octets) + ":" + std::to_string(datagram.to.port) +
                " (module " + std::to_string(datagram.module) + ")";
    }
    SCOPED_TRACE("sent:" + seen);
    ASSERT_GE(afterSearch.size(), 4u);
    EXPECT_EQ(afterSearch[0].bytes, query);
    EXPECT_EQ(afterSearch[0].to, (platform::Ipv4Endpoint{{127, 0, 0, 2}, 30718}));
    EXPECT_EQ(afterSearch[1].bytes, query);
    EXPECT_EQ(afterSearch[1].module, -1);
    EXPECT_EQ(afterSearch[1].to.octets, (platform::Ipv4Octets{127, 0, 0, 77}));
    int commands = 0;
    for (std::size_t i = 2; i < afterSearch.size(); ++i) {
        if (afterSearch[i].bytes == sim::Bytes(command.begin(), command.end())) {
            ++commands;
            EXPECT_EQ(afterSearch[i].to, (platform::Ipv4Endpoint{{127, 0, 0, 2}, 40000}));
        } else {
            EXPECT_EQ(afterSearch[i].bytes, query);
            EXPECT_EQ(afterSearch[i].to.octets, (platform::Ipv4Octets{127, 0, 0, 77}));
        }
    }
    EXPECT_EQ(commands, 1);
    EXPECT_EQ(afterSearch.back().module, 0);
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

// Anything that answers at the new address holds it, whatever it sends: a
// status reply too long to be one, and no search reply to say what it is.
TEST_F(SetIpAddressTest, AnOddAnswerAtTheNewAddressIsRefusedWithAWarning) {
    sim::ModuleConfig holder = sim::DefaultModule(1);
    holder.statusReplySize = 600;
    holder.answersSearch = false;
    auto farm = StartFarm({sim::DefaultModule(0), holder});
    dlg_->OnSearch();
    ASSERT_EQ(view_.deviceLines().size(), 1u);
    selectDevice(0);
    view_.setIpAddress(holder.address);
    const std::size_t before = farm->receivedDatagrams().size();

    EXPECT_EQ(dlg_->OnSetIpAddress().kind, ops::OutcomeKind::AddressInUse);
    ASSERT_EQ(view_.boxes.back().kind, MessageKind::Warning);
    EXPECT_EQ(view_.boxes.back().text,
              "Another device already answers at 127.0.0.3; it does not say which.\n"
              "The IP address was not assigned.");
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 2}));
    // The check, one status query at the new address, one search request
    // there once something answered it; no command.
    const std::vector<sim::ReceivedDatagram> sent = farm->receivedDatagrams();
    ASSERT_EQ(sent.size() - before, 3u);
    EXPECT_EQ(sent[before + 1].module, 1);
    EXPECT_EQ(sent[before + 1].bytes, (sim::Bytes{0, 0, 0, 0xF8}));
    EXPECT_EQ(sent[before + 2].module, 1);
    EXPECT_EQ(sent[before + 2].bytes, (sim::Bytes{0, 0, 0, 0xF6}));
}

}  // namespace
}  // namespace quelvar::testing
