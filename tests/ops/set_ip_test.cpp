// Giving a module a new address, called as an operation.
#include "discovery/datagrams.h"
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

}  // namespace
}  // namespace quelvar::testing
