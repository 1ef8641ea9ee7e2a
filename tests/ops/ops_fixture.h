#pragma once

#include <vector>

#include <gtest/gtest.h>

#include "discovery/search.h"
#include "sim/farm.h"
#include "support/recording_events.h"
#include "support/sim_fixture.h"

namespace quelvar::testing {

// Simulated modules and the events an operation reports, for calling the
// operations as functions.
class OpsTest : public ::testing::Test {
  protected:
    void SetUp() override { QUELVAR_REQUIRE_NETNS(); }

    // The modules as a search finds them, in the farm's order.
    std::vector<discovery::DeviceEntry> found(const sim::Farm& farm) {
        discovery::SearchScope scope;
        scope.mergeRepeats = true;
        std::vector<discovery::DeviceEntry> modules = discovery::SearchForModules(scope).modules;
        std::vector<discovery::DeviceEntry> ordered;
        for (std::size_t i = 0; i < farm.size(); ++i) {
            for (const discovery::DeviceEntry& entry : modules) {
                if (entry.mac == farm.module(static_cast<int>(i)).mac) ordered.push_back(entry);
            }
        }
        return ordered;
    }

    RecordingEvents events_;
};

}  // namespace quelvar::testing
