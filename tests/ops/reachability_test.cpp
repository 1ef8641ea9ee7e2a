// The reachability check's timing against modules that answer, late or never.
#include <gtest/gtest.h>

#include "discovery/reachability.h"
#include "ops_fixture.h"
#include "sim/module.h"
#include "support/timing.h"

namespace quelvar::testing {
namespace {

using discovery::PingDevice;
using discovery::QueryDevice;


class ReachabilityTest : public ::testing::Test {
protected:
    void SetUp() override { QUELVAR_REQUIRE_NETNS(); }
};

TEST_F(ReachabilityTest, AnsweringModuleSucceedsAtOnceAndSilentOneCostsTwoSeconds) {
    auto farm = StartFarm({sim::DefaultModule(0)});
    bool answered = false;
    EXPECT_LT(SecondsOf([&] { answered = PingDevice(platform::Ipv4Octets{127, 0, 0, 2}, 1); }), 0.5);
    EXPECT_TRUE(answered);

    double silent = SecondsOf([&] { answered = PingDevice(platform::Ipv4Octets{127, 0, 0, 9}, 1); });
    EXPECT_FALSE(answered);
    EXPECT_GE(silent, 1.9);
    EXPECT_LT(silent, 2.6);

    EXPECT_LT(SecondsOf([&] { answered = PingDevice(platform::Ipv4Octets{127, 0, 0, 2}, 0); }), 0.05);
    EXPECT_FALSE(answered);
}

TEST_F(ReachabilityTest, FourthQueryAnsweredAfterThreeTimeOutsAndPauses) {
    auto module = sim::DefaultModule(0);
    module.ignoreFirstStatusQueries = 3;
    auto farm = StartFarm({module});
    bool answered = false;
    double seconds = SecondsOf([&] { answered = PingDevice(platform::Ipv4Octets{127, 0, 0, 2}, 10); });
    EXPECT_TRUE(answered);
    EXPECT_GE(seconds, 5.9);
    EXPECT_LT(seconds, 7.0);
}

TEST_F(ReachabilityTest, ReplySizesDecide) {
    auto shortReply = sim::DefaultModule(0);
    shortReply.statusReplySize = 60;
    auto longReply = sim::DefaultModule(1);
    longReply.statusReplySize = 125;
    auto farm = StartFarm({shortReply, longReply});
    // A short reply counts, after a 100 ms pause and a second receive of up to a second.
    double seconds = SecondsOf([&] { EXPECT_EQ(QueryDevice(platform::Ipv4Octets{127, 0, 0, 2}), 0); });
    EXPECT_GE(seconds, 1.05);
    EXPECT_LT(seconds, 1.6);
    EXPECT_EQ(QueryDevice(platform::Ipv4Octets{127, 0, 0, 3}), platform::socket_error::kMessageTooLong);
}

}  // namespace
}  // namespace quelvar::testing
