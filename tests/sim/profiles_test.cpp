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

}  // namespace
}  // namespace quelvar::sim
