#include "support/sim_fixture.h"

#include <cstdlib>
#include <cstring>

namespace quelvar::testing {

bool InPrivateNetwork() {
    const char* flag = std::getenv("QUELVAR_IN_NETNS");
    return flag != nullptr && std::strcmp(flag, "1") == 0;
}

std::unique_ptr<sim::Farm> StartFarm(std::vector<sim::ModuleConfig> modules) {
    auto farm = std::make_unique<sim::Farm>(std::move(modules));
    int error = farm->start();
    EXPECT_EQ(error, 0) << "simulated modules did not start";
    return farm;
}

}  // namespace quelvar::testing
