// The named behaviours of the quelvar-sim command line: what it refuses.
#include "sim/profiles.h"

#include <gtest/gtest.h>

namespace quelvar::sim {
namespace {

TEST(Profiles, BadNamesAndValuesAreRefused) {
    ModuleConfig config;
    std::string error;
    for (const char* profile : {"loud", "delay", "delay=x", "delay=-5", "twice=2",
                                "monitor=sideways", "status-ignore=1e3", "moves-on-reset=1", "link",
                                "link=", "link=loss=200%", "link=jitter=-1",
                                "replaced-after-record", "replaced-after-record=256"}) {
        EXPECT_FALSE(ApplyProfile(config, profile, error)) << profile;
        EXPECT_FALSE(error.empty());
    }
}

TEST(Profiles, AFaultOnceAndALateMonitorPortRefuseBadValues) {
    ModuleConfig config;
    std::string error;
    // never-accept serves no connection, so none of them is the first.
    const char* refused[] = {"monitor-once",           "monitor-once=",
                             "monitor-once=sideways",  "monitor-once=never-accept",
                             "monitor-after-reset",    "monitor-after-reset=-1",
                             "monitor-after-reset=1s", "monitor-after-reset=10001"};
    for (const char* profile : refused) {
        EXPECT_FALSE(ApplyProfile(config, profile, error)) << profile;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(config.monitorFault, MonitorFault::None);
    EXPECT_FALSE(config.monitorFaultOnce);
    EXPECT_EQ(config.monitorAfterReset, std::chrono::milliseconds(0));
}

TEST(Profiles, AFaultOnceAndALateMonitorPortAfterAReset) {
    ModuleConfig config;
    std::string error;
    ASSERT_TRUE(ApplyProfile(config, "monitor-once=no-banner", error)) << error;
    EXPECT_EQ(config.monitorFault, MonitorFault::NoBanner);
    EXPECT_TRUE(config.monitorFaultOnce);
    // The later of the two names the module's fault, and whether it is once.
    ASSERT_TRUE(ApplyProfile(config, "monitor=drip", error)) << error;
    EXPECT_EQ(config.monitorFault, MonitorFault::Drip);
    EXPECT_FALSE(config.monitorFaultOnce);
    ASSERT_TRUE(ApplyProfile(config, "monitor-once=close-mid-record", error)) << error;
    EXPECT_EQ(config.monitorFault, MonitorFault::CloseMidRecord);
    EXPECT_TRUE(config.monitorFaultOnce);

    EXPECT_EQ(config.monitorAfterReset, std::chrono::milliseconds(0));
    ASSERT_TRUE(ApplyProfile(config, "monitor-after-reset=10000", error)) << error;
    EXPECT_EQ(config.monitorAfterReset, std::chrono::milliseconds(10000));

    EXPECT_EQ(MonitorFaultFromName("no-banner"), MonitorFault::NoBanner);
    EXPECT_EQ(MonitorFaultName(MonitorFault::NoBanner), "no-banner");
    const std::string help = ProfileHelp();
    for (const char* name : {"monitor-once=FAULT", "monitor-after-reset=MS", "no-banner"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace quelvar::sim
