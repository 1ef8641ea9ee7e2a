// The named behaviours of the quelvar-sim command line.
#include "sim/profiles.h"

#include <gtest/gtest.h>

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;

TEST(Profiles, NamesSetTheMatchingFields) {
    ModuleConfig config;
    std::string error;
    for (const char* profile :
         {"twice", "long-reply", "delay=250", "status-late=1200", "status-short", "status-ignore=3",
          "reply-port=30800", "monitor=stop-mid-line", "no-web", "moves-on-reset",
          "link=delay=300,loss=5%", "link=loss-out=20%,seed=4"}) {
        EXPECT_TRUE(ApplyProfile(config, profile, error)) << profile << ": " << error;
    }
    EXPECT_EQ(config.searchReplyCount, 2);
    EXPECT_EQ(config.searchReplySize, 31u);
    EXPECT_EQ(config.searchReplyDelay, 250ms);
    EXPECT_EQ(config.statusReplyDelay, 1200ms);
    EXPECT_EQ(config.statusReplySize, 60u);
    EXPECT_EQ(config.ignoreFirstStatusQueries, 3);
    EXPECT_EQ(config.replyPort, 30800);
    EXPECT_EQ(config.monitorFault, MonitorFault::StopMidLine);
    EXPECT_FALSE(config.webPage);
    EXPECT_TRUE(config.movesOnReset);
    // A second link profile changes only what it names.
    EXPECT_EQ(
        config.linkFaults,
        (LinkFaults{.lossToModule = 0.05, .lossFromModule = 0.20, .delay = 300ms, .seed = 4}));

    ASSERT_TRUE(ApplyProfile(config, "silent", error));
    EXPECT_FALSE(config.answersSearch);
    EXPECT_FALSE(config.answersStatus);
}

TEST(Profiles, BadNamesAndValuesAreRefused) {
    ModuleConfig config;
    std::string error;
    for (const char* profile : {"loud", "delay", "delay=x", "delay=-5", "twice=2",
                                "monitor=sideways", "status-ignore=1e3", "moves-on-reset=1", "link",
                                "link=", "link=loss=200%", "link=jitter=-1"}) {
        EXPECT_FALSE(ApplyProfile(config, profile, error)) << profile;
        EXPECT_FALSE(error.empty());
    }
}

TEST(Profiles, EveryMonitorFaultHasAName) {
    for (MonitorFault fault :
         {MonitorFault::None, MonitorFault::StopMidLine, MonitorFault::CloseMidRecord,
          MonitorFault::NulInPrompt, MonitorFault::OnlyCrLfPrompt, MonitorFault::LowerCaseHex,
          MonitorFault::OversizeCount, MonitorFault::TooManyRecords, MonitorFault::WriteReplyOne,
          MonitorFault::AlterOnWrite, MonitorFault::Drip, MonitorFault::Garbage,
          MonitorFault::NeverAccept}) {
        EXPECT_EQ(MonitorFaultFromName(MonitorFaultName(fault)), fault);
    }
}

}  // namespace
}  // namespace quelvar::sim
