// Monitor port faults a module gets over: one that shows on the first
// connection only, a greeting with nothing after it, and a monitor port that
// opens later than the discovery port after a reset. The tool's retries are
// tested against exactly these.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
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
using Clock = std::chrono::steady_clock;
using platform::Ipv4Endpoint;
using platform::Ipv4Octets;

// What every connection of a module starts with, before its banner.
const std::string kGreeting = "\r\nQV";

ModuleConfig WithProfile(ModuleConfig config, const char* profile) {
    std::string error;
    EXPECT_TRUE(ApplyProfile(config, profile, error)) << profile << ": " << error;
    return config;
}

Ipv4Endpoint MonitorPort(const ModuleConfig& config) {
    return Ipv4Endpoint{config.address, 9999};
}

std::size_t StatusReplies(const Ipv4Octets& address) {
    testing::DiscoveryClient client;
    client.send(testing::StatusQuery(), Ipv4Endpoint{address, 30718});
    return client.receiveUntilQuiet(200ms).size();
}

// Asks for record 2 in monitor mode; true when it came whole, up to "0>".
bool ReadRecordTwo(testing::ScriptedConnection& monitor) {
    const std::size_t start = monitor.received().size();
    return monitor.send("G2\r\n") && monitor.readUntil(":00000001FF\r\r\n0>", start, 5s);
}

TEST(FarmMonitorOnce, TheFaultHitsTheFirstConnectionAndNotTheNext) {
    QUELVAR_REQUIRE_NETNS();
    const ModuleConfig config = WithProfile(DefaultModule(0), "monitor-once=close-mid-record");
    auto farm = quelvar::testing::StartFarm({config});
    {
        testing::ScriptedConnection first(MonitorPort(config));
        ASSERT_TRUE(testing::EnterMonitorMode(first));
        EXPECT_FALSE(ReadRecordTwo(first));
        EXPECT_TRUE(first.closed()) << "closed in the middle of record 2";
        EXPECT_NE(first.received().find(":20000000"), std::string::npos) << first.received();
    }
    EXPECT_EQ(farm->module(0).monitorFault, MonitorFault::None) << "spent on the first";

    for (int n = 0; n < 2; ++n) {
        testing::ScriptedConnection later(MonitorPort(config));
        ASSERT_TRUE(testing::EnterMonitorMode(later)) << "connection " << n + 2;
        EXPECT_TRUE(ReadRecordTwo(later)) << "connection " << n + 2 << ": " << later.received();
        EXPECT_FALSE(later.closed());
    }
    EXPECT_EQ(farm->monitorConnections(0), 3);
}

TEST(FarmMonitorOnce, NoBannerFailsTheFirstEntryAndTheNextOneWorks) {
    QUELVAR_REQUIRE_NETNS();
    const ModuleConfig config = WithProfile(DefaultModule(1), "monitor-once=no-banner");
    auto farm = quelvar::testing::StartFarm({config});
    {
        testing::ScriptedConnection first(MonitorPort(config));
        ASSERT_EQ(first.error(), 0);
        EXPECT_FALSE(first.readUntil("Mode", 0, 1500ms));
        EXPECT_EQ(first.received(), kGreeting);
        EXPECT_FALSE(first.closed()) << "the module keeps the connection open";
    }
    testing::ScriptedConnection second(MonitorPort(config));
    EXPECT_TRUE(testing::EnterMonitorMode(second)) << second.received();
}

TEST(FarmNoBanner, GreetsThenIgnoresEverythingOnEveryConnection) {
    QUELVAR_REQUIRE_NETNS();
    const ModuleConfig config = WithProfile(DefaultModule(2), "monitor=no-banner");
    auto farm = quelvar::testing::StartFarm({config});
    for (int n = 0; n < 2; ++n) {
        testing::ScriptedConnection monitor(MonitorPort(config));
        ASSERT_EQ(monitor.error(), 0);
        ASSERT_TRUE(monitor.readCount(kGreeting.size(), 2s));
        // What asks a well module for monitor mode and a record gets nothing.
        ASSERT_TRUE(monitor.send("M"));
        ASSERT_TRUE(monitor.send("G0\r\n"));
        monitor.readUntilQuiet(1000ms);
        EXPECT_EQ(monitor.received(), kGreeting) << "connection " << n + 1;
        EXPECT_FALSE(monitor.closed()) << "connection " << n + 1;
    }
    // It did read what came: the tool's bytes reached it.
    EXPECT_EQ(farm->monitorBytesReceived(0),
              (Bytes{'M', 'G', '0', '\r', '\n', 'M', 'G', '0', '\r', '\n'}));
}

TEST(FarmMonitorAfterReset, RefusesConnectionsWhileItAlreadyAnswersStatusQueries) {
    QUELVAR_REQUIRE_NETNS();
    ModuleConfig config = WithProfile(DefaultModule(3), "monitor-after-reset=1500");
    config.resetSilence = 300ms;
    auto farm = quelvar::testing::StartFarm({config});
    {
        testing::ScriptedConnection monitor(MonitorPort(config));
        ASSERT_TRUE(testing::EnterMonitorMode(monitor));
        ASSERT_TRUE(monitor.send("RS\r\n"));
        for (int n = 0; n < 100 && farm->resets(0) == 0; ++n) std::this_thread::sleep_for(10ms);
        ASSERT_EQ(farm->resets(0), 1);
    }

    // Back on the discovery port once its silence ends...
    bool answered = false;
    for (int n = 0; n < 20 && !answered; ++n) answered = StatusReplies(config.address) == 1;
    ASSERT_TRUE(answered);
    const auto back = Clock::now();
    // ...while its monitor port and web page are still closed.
    testing::ScriptedConnection early(MonitorPort(config));
    EXPECT_EQ(early.error(), ECONNREFUSED);
    testing::ScriptedConnection web(Ipv4Endpoint{config.address, 80});
    EXPECT_EQ(web.error(), ECONNREFUSED);

    int refused = 1;
    for (; refused < 60; ++refused) {
        testing::ScriptedConnection attempt(MonitorPort(config));
        if (attempt.error() == 0) {
            EXPECT_TRUE(testing::EnterMonitorMode(attempt)) << attempt.received();
            break;
        }
        EXPECT_EQ(attempt.error(), ECONNREFUSED);
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_LT(refused, 60) << "the monitor port never opened";
    // Status answered at most 200 ms after the silence; the port opens 1500 ms after it.
    EXPECT_GT(Clock::now() - back, 1000ms);
    EXPECT_EQ(StatusReplies(config.address), 1u);
}

}  // namespace
}  // namespace quelvar::sim
