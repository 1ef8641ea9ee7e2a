// A module replaced in the middle of a write: right after it stores a record
// it closes the connection, and another module (another MAC, its own
// records) answers at its address from then on.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "discovery_client.h"
#include "monitor_client.h"
#include "sim/farm.h"
#include "sim/profiles.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Endpoint;
using platform::Ipv4Octets;

// The first data line's bytes of a record as the monitor port shows them.
std::string FirstLineHex(const Bytes& record) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < 32 && i < record.size(); ++i) {
        std::snprintf(pair, sizeof pair, "%02X", record[i]);
        text += pair;
    }
    return text;
}

std::array<std::uint8_t, 6> ReplyMac(const testing::Reply& reply) {
    std::array<std::uint8_t, 6> mac{};
    if (reply.bytes.size() >= 30) std::copy_n(reply.bytes.begin() + 24, 6, mac.begin());
    return mac;
}

TEST(FarmReplacement, AnotherModuleTakesItsPlaceRightAfterItStoresTheRecord) {
    QUELVAR_REQUIRE_NETNS();
    ModuleConfig config = DefaultModule(0);
    std::string error;
    ASSERT_TRUE(ApplyProfile(config, "replaced-after-record=3", error)) << error;
    auto farm = quelvar::testing::StartFarm({config, DefaultModule(1)});
    const Ipv4Endpoint monitorPort{config.address, 9999};
    Bytes second = config.records.at(2);
    second[0] ^= 0xFF;
    Bytes third = config.records.at(3);
    third[5] ^= 0xFF;

    // Record 2 goes as usual; record 3 is stored, and then the module is gone
    // before its echo.
    {
        testing::ScriptedConnection monitor(monitorPort);
        ASSERT_TRUE(testing::EnterMonitorMode(monitor));
        ASSERT_TRUE(testing::WriteRecord(monitor, 2, second));
        EXPECT_FALSE(farm->replacedModule(0).has_value()) << "replaced at record 2";
        const std::size_t before = monitor.received().size();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(testing::WriteRecord(monitor, 3, third));
        EXPECT_TRUE(monitor.closed());
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_EQ(monitor.received().find("S3", before), std::string::npos)
            << "echoed: " << monitor.received().substr(before);
    }
    std::optional<ModuleConfig> replaced = farm->replacedModule(0);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->mac, config.mac);
    EXPECT_EQ(replaced->records.at(2), second);
    EXPECT_EQ(replaced->records.at(3), third) << "stored before it went";

    const ModuleConfig replacement = farm->module(0);
    EXPECT_EQ(replacement.address, config.address);
    EXPECT_NE(replacement.mac[4], config.mac[4]);
    EXPECT_NE(replacement.mac[5], config.mac[5]);
    EXPECT_NE(replacement.records.at(3), third);
    EXPECT_NE(replacement.records.at(3), config.records.at(3));

    // Searches find the replacement's MAC at the same address, and the other
    // module as it was.
    testing::DiscoveryClient client;
    ASSERT_EQ(client.send(testing::SearchRequest(), testing::kBroadcast), 0);
    auto replies = client.receiveUntilQuiet(300ms);
    ASSERT_EQ(replies.size(), 2u);
    for (const auto& reply : replies) {
        if (reply.from.octets == config.address) {
            EXPECT_EQ(ReplyMac(reply), replacement.mac);
        } else {
            EXPECT_EQ(ReplyMac(reply), DefaultModule(1).mac);
        }
    }

    // Its monitor port serves its own records and takes a write of record 3
    // as a well-behaved module does.
    testing::ScriptedConnection monitor(monitorPort);
    ASSERT_TRUE(testing::EnterMonitorMode(monitor));
    const std::size_t before = monitor.received().size();
    ASSERT_TRUE(monitor.send("G3\r\n"));
    ASSERT_TRUE(monitor.readUntil("0>", before));
    EXPECT_NE(monitor.received().find(FirstLineHex(replacement.records.at(3)), before),
              std::string::npos);
    EXPECT_EQ(monitor.received().find(FirstLineHex(third), before), std::string::npos);
    EXPECT_TRUE(testing::WriteRecord(monitor, 3, third));
    EXPECT_EQ(farm->module(0).records.at(3), third);
    EXPECT_EQ(farm->module(0).mac, replacement.mac) << "replaced again";
    EXPECT_EQ(farm->replacedModule(0)->mac, config.mac) << "replaced again";
    EXPECT_EQ(farm->resets(0), 0);

    // An IP-SETUP for the module that left does not move the one there now.
    const Ipv4Octets elsewhere{127, 0, 0, 60};
    ASSERT_EQ(client.send(testing::IpSetupCommand(config.mac[4], config.mac[5], elsewhere),
                          Ipv4Endpoint{config.address, 30718}),
              0);
    std::this_thread::sleep_for(replacement.ipSetupDelay + 200ms);
    EXPECT_EQ(farm->module(0).address, config.address);
}

}  // namespace
}  // namespace quelvar::sim
