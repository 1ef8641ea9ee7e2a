// Giving a module a new address, called as an operation.
#include <cstdlib>

#include "discovery/datagrams.h"
#include "ops/messages.h"
#include "ops/set_ip_address.h"
#include "ops_fixture.h"
#include "platform/socket.h"
#include "sim/module.h"

namespace quelvar::testing {
namespace {

using SetIpTest = OpsTest;

TEST_F(SetIpTest, FailedSendOfTheCommandIsReportedNotLoggedAsSuccess) {
    auto farm = StartFarm({sim::DefaultModule(0)});
    discovery::DeviceEntry device = found(*farm).at(0);
    // A reply source port of 0 cannot be sent to: the system refuses the send.
    device.address.port = 0;

    ops::SetIpResult result =
        ops::SetIpAddress(device, {127, 0, 0, 40}, ops::Retries::Window(), events_);
    EXPECT_EQ(result.outcome.kind, ops::OutcomeKind::SocketError);
    EXPECT_NE(result.outcome.code, 0);
    EXPECT_EQ(events_.trace, "Set IP address:start.\r\nSet IP...error:" +
                               std::to_string(result.outcome.code) + "\r\n");
    ASSERT_EQ(events_.alerts.size(), 1u);
    EXPECT_EQ(events_.alerts[0].code, result.outcome.code);
    EXPECT_EQ(events_.positions, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_TRUE(events_.doneAt.empty());
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 2}));
}

std::size_t ipSetupsReceived(const sim::Farm& farm) {
    std::size_t count = 0;
    for (const sim::ReceivedDatagram& datagram : farm.receivedDatagrams()) {
        count += datagram.bytes.size() == discovery::kIpSetupSize;
    }
    return count;
}

TEST_F(SetIpTest, TheModuleAtTheNewAddressIsKnownByItsSearchReplyAlone) {
    // Status replies are noise: only the search reply names the module.
    auto farm = StartFarm({sim::DefaultModule(0)});
    const discovery::DeviceEntry device = found(*farm).at(0);
    ops::SetIpResult result =
        ops::SetIpAddress(device, {127, 0, 0, 50}, ops::Retries::Window(), events_);
    ASSERT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
    ASSERT_TRUE(result.module.has_value());
    EXPECT_EQ(result.module->mac, device.mac);
    EXPECT_EQ(result.module->address.octets, (platform::Ipv4Octets{127, 0, 0, 50}));
    EXPECT_TRUE(events_.notes.empty());
    EXPECT_EQ(events_.trace,
              "Set IP address:start.\r\nSet IP...success.\r\nping:success:\r\n\r\n"
              "Set IP address:end.\r\n");
    EXPECT_EQ(events_.positions, (std::vector<int>{1, 2, 3, 5, 6, 8, 0}));
    EXPECT_EQ(events_.doneAt, (std::vector<int>{10}));
    EXPECT_EQ(events_.ipSetups, 1);
}

TEST_F(SetIpTest, AModuleThatAnswersOnlyStatusQueriesIsNotTakenForAnotherOne) {
    sim::ModuleConfig quiet = sim::DefaultModule(0);
    quiet.answersSearch = false;
    auto farm = StartFarm({quiet});
    // Known from an earlier search: it answers none now.
    discovery::DeviceEntry device;
    device.mac = quiet.mac;
    device.address = {quiet.address, discovery::kDiscoveryPort};
    device.ipText = "127.0.0.2";

    ops::SetIpResult result =
        ops::SetIpAddress(device, {127, 0, 0, 51}, ops::Retries::Persistent(), events_);
    EXPECT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 51}));
    EXPECT_EQ(events_.notes, (std::vector<std::string>{
                                 "something answers status queries at 127.0.0.51 but no search "
                                 "request: which module it is could not be confirmed"}));
}

TEST_F(SetIpTest, ANewAddressHeldByADeviceThatSaysNotWhichIsRefusedWithNothingSent) {
    sim::ModuleConfig holder = sim::DefaultModule(1);
    holder.answersSearch = false;
    auto farm = StartFarm({sim::DefaultModule(0), holder});
    const discovery::DeviceEntry device = found(*farm).at(0);

    ops::SetIpResult result =
        ops::SetIpAddress(device, holder.address, ops::Retries::Window(), events_);
    EXPECT_EQ(result.outcome.kind, ops::OutcomeKind::AddressInUse);
    EXPECT_EQ(result.outcome.holder, ops::AddressHolderKind::Unnamed);
    ASSERT_EQ(events_.alerts.size(), 1u);
    EXPECT_EQ(ops::MessageFor(events_.alerts[0], platform::Language::English)->text,
              "Another device already answers at 127.0.0.3; it does not say which.\n"
              "The IP address was not assigned.");
    EXPECT_EQ(events_.clears, 0);
    EXPECT_EQ(ipSetupsReceived(*farm), 0u);
}

// A check that cannot ask (here: the PC has no route to the new address, so
// the query cannot be sent) must not pass for one that nobody answered.
TEST_F(SetIpTest, ACheckThatCannotAskRefusesWithNothingSent) {
    auto farm = StartFarm({sim::DefaultModule(0)});
    const discovery::DeviceEntry device = found(*farm).at(0);
    // Only in this test's own network namespace, and gone again however the
    // test ends, so that it can be repeated in one namespace.
    ASSERT_EQ(std::system("ip route add unreachable 127.0.0.60/32 table local"), 0);
    struct RouteRemoval {
        ~RouteRemoval() {
            static_cast<void>(std::system("ip route del unreachable 127.0.0.60/32 table local"));
        }
    } removal;

    ops::SetIpResult result =
        ops::SetIpAddress(device, {127, 0, 0, 60}, ops::Retries::Window(), events_);
    EXPECT_EQ(result.outcome.kind, ops::OutcomeKind::AddressCheckFailed);
    EXPECT_EQ(ops::DescribeOutcome(result.outcome),
              "could not check whether 127.0.0.60 is free: " +
                  platform::systemErrorText(result.outcome.code) + "; nothing sent");
    ASSERT_EQ(events_.alerts.size(), 1u);
    EXPECT_EQ(ops::MessageFor(events_.alerts[0], platform::Language::English)->kind,
              ops::MessageKind::Warning);
    EXPECT_EQ(events_.clears, 0);
    EXPECT_EQ(ipSetupsReceived(*farm), 0u);
}

TEST_F(SetIpTest, AModuleThatAnswersSearchesOnlyAsBroadcastsIsStillRecognised) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.answersAddressedSearch = false;
    auto farm = StartFarm({module});
    const discovery::DeviceEntry device = found(*farm).at(0);
    ops::SetIpResult result =
        ops::SetIpAddress(device, {127, 0, 0, 52}, ops::Retries::Persistent(), events_);
    ASSERT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
    EXPECT_EQ(result.module->address.octets, (platform::Ipv4Octets{127, 0, 0, 52}));
    EXPECT_TRUE(events_.notes.empty());
}

TEST_F(SetIpTest, ALostCommandIsSentAgainWhileTheModuleStaysWhereItWas) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.ignoreFirstIpSetups = 1;
    auto farm = StartFarm({module});
    const discovery::DeviceEntry device = found(*farm).at(0);

    RecordingEvents events;
    ops::SetIpResult result =
        ops::SetIpAddress(device, {127, 0, 0, 53}, ops::Retries::Persistent(), events);
    ASSERT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
    EXPECT_EQ(ipSetupsReceived(*farm), 2u);
    EXPECT_EQ(events.trace,
              "Set IP address:start.\r\nSet IP...success.\r\nping:error !\r\n"
              "Set IP...success.\r\nping:success:\r\n\r\nSet IP address:end.\r\n");
    EXPECT_EQ(events.notes,
              (std::vector<std::string>{"the module still answers at 127.0.0.2: IP-SETUP sent again"}));
}

}  // namespace
}  // namespace quelvar::testing
