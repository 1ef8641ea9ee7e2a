#pragma once

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

// The Linux simulator that scripts/wine-exec starts beside these tests, in
// the same private network namespace (see tests/wine/CMakeLists.txt):
//   module 0 at 127.0.0.2, 1 at .3   plain modules
//   module 2 at 127.0.0.4            its monitor port stops in the middle of a line
//   module 3 at 127.0.0.5            no monitor port
namespace quelvar::testing {

inline bool SimulatorBeside() {
    const char* netns = std::getenv("QUELVAR_IN_NETNS");
    const char* sim = std::getenv("QUELVAR_WINE_SIM");
    return netns && std::string(netns) == "1" && sim && *sim;
}

// No test sends a datagram unless it runs inside the private namespace.
#define QUELVAR_REQUIRE_SIMULATOR()                                                  \
    do {                                                                             \
        if (!::quelvar::testing::SimulatorBeside())                                  \
            GTEST_SKIP() << "needs scripts/wine-exec with QUELVAR_WINE_SIM set";     \
    } while (0)

inline constexpr int kModuleCount = 4;

}  // namespace quelvar::testing
