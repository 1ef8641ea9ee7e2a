// IP-SETUP against the farm: a module takes its new address only when the
// command names its MAC, and only inside the loopback network.
#include <gtest/gtest.h>

#include <thread>

#include "discovery_client.h"
#include "sim/farm.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Endpoint;
using testing::DiscoveryClient;

std::size_t StatusReplies(const platform::Ipv4Octets& address) {
    DiscoveryClient client;
    client.send(testing::StatusQuery(), Ipv4Endpoint{address, 30718});
    return client.receiveUntilQuiet(300ms).size();
}

TEST(FarmIpSetup, ModuleMovesOnlyForItsOwnMac) {
    QUELVAR_REQUIRE_NETNS();
    auto config = DefaultModule(0);
    config.replyPort = 30800;  // the command goes to the port the search reply came from
    config.ipSetupDelay = 100ms;
    auto farm = quelvar::testing::StartFarm({config});
    Ipv4Endpoint current{config.address, 30800};
    platform::Ipv4Octets target{127, 0, 0, 50};

    DiscoveryClient client;
    auto wrongMac = static_cast<std::uint8_t>(config.mac[5] + 1);
    ASSERT_EQ(client.send(testing::IpSetupCommand(config.mac[4], wrongMac, target), current), 0);
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(farm->module(0).address, config.address);
    EXPECT_EQ(StatusReplies(config.address), 1u);

    ASSERT_EQ(client.send(testing::IpSetupCommand(config.mac[4], config.mac[5], target), current),
              0);
    // Still at the old address during its delay.
    EXPECT_EQ(farm->module(0).address, config.address);
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(farm->module(0).address, target);
    EXPECT_EQ(StatusReplies(config.address), 0u);
    EXPECT_EQ(StatusReplies(target), 1u);

    // A search finds it at its new address, from its own reply port.
    ASSERT_EQ(client.send(testing::SearchRequest(), testing::kBroadcast), 0);
    auto replies = client.receiveUntilQuiet(300ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].from, (Ipv4Endpoint{target, 30800}));
}

TEST(FarmIpSetup, AnAddressOutsideLoopbackMakesTheModuleUnreachable) {
    QUELVAR_REQUIRE_NETNS();
    auto config = DefaultModule(0);
    config.ipSetupDelay = 0ms;
    auto farm = quelvar::testing::StartFarm({config, DefaultModule(1)});
    DiscoveryClient client;
    platform::Ipv4Octets elsewhere{192, 168, 1, 50};
    ASSERT_EQ(client.send(testing::IpSetupCommand(config.mac[4], config.mac[5], elsewhere),
                          Ipv4Endpoint{config.address, 30718}),
              0);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(farm->module(0).address, elsewhere);
    EXPECT_EQ(StatusReplies(config.address), 0u);

    ASSERT_EQ(client.send(testing::SearchRequest(), testing::kBroadcast), 0);
    auto replies = client.receiveUntilQuiet(300ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].from.octets, DefaultModule(1).address);
}

}  // namespace
}  // namespace quelvar::sim
