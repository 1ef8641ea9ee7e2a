#pragma once

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "sim/farm.h"

namespace quelvar::testing {

// True inside the private network namespace that scripts/netns-run makes.
bool InPrivateNetwork();

// Skips the current test unless it runs inside a private network namespace,
// so that no test ever sends on a real network.
#define QUELVAR_REQUIRE_NETNS()                                                 \
    do {                                                                        \
        if (!::quelvar::testing::InPrivateNetwork())                            \
            GTEST_SKIP() << "needs a private network namespace (scripts/netns-run)"; \
    } while (0)

// Starts a farm of simulated modules and stops it at the end of the scope.
std::unique_ptr<sim::Farm> StartFarm(std::vector<sim::ModuleConfig> modules);

}  // namespace quelvar::testing
