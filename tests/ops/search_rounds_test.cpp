// The console's repeated search over the links it meets in the field: a
// round that nothing answered is asked again, and a module a command looks
// for is asked for until it answers, within the rounds allowed.
#include <chrono>

#include "discovery/search.h"
#include "ops/retries.h"
#include "ops_fixture.h"
#include "sim/module.h"

namespace quelvar::testing {
namespace {

using namespace std::chrono_literals;

discovery::SearchScope consoleScope() {
    discovery::SearchScope scope;
    scope.rounds = ops::Retries::Persistent().searchRounds;
    scope.mergeRepeats = true;
    return scope;
}

using SearchRoundsTest = OpsTest;

// After a pause every module must first find the tool on the LAN: their
// first replies come after the quiet second that ends a round.
TEST_F(SearchRoundsTest, ModulesWhoseFirstRepliesComeLateAreFoundAll) {
    std::vector<sim::ModuleConfig> modules;
    for (int i = 0; i < 3; ++i) {
        modules.push_back(sim::DefaultModule(i));
        modules.back().firstReplyLate = 1500ms;
    }
    auto farm = StartFarm(modules);
    EXPECT_EQ(discovery::SearchForModules(consoleScope()).modules.size(), 3u);
}

TEST_F(SearchRoundsTest, AModuleACommandLooksForIsAskedForUntilItAnswers) {
    sim::ModuleConfig slow = sim::DefaultModule(1);
    slow.searchReplyDelay = 1600ms;
    auto farm = StartFarm({sim::DefaultModule(0), slow});
    discovery::SearchScope scope = consoleScope();
    scope.wanted = {slow.mac};
    const std::vector<discovery::DeviceEntry> found = discovery::SearchForModules(scope).modules;
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].mac, slow.mac);
}

// A module answers every request it hears, however late: one that answered
// fewer requests than went out since it first answered shows a link that
// loses replies, and then every round allowed is worth its second (a module
// lost in the rounds so far may answer the next). Where nobody answers at
// all, five requests are enough.
TEST_F(SearchRoundsTest, ALostReplyMakesTheSearchUseEveryRoundAndSilenceEndsItAtFive) {
    sim::ModuleConfig lossy = sim::DefaultModule(1);
    sim::LinkFaults faults;
    faults.lossFromModule = 0.5;
    faults.seed = 4;  // its losses fall after its first reply
    lossy.linkFaults = faults;
    {
        auto farm = StartFarm({sim::DefaultModule(0), lossy, sim::DefaultModule(2)});
        const discovery::SearchResult result = discovery::SearchForModules(consoleScope());
        EXPECT_TRUE(result.lossy);
        EXPECT_EQ(result.requests, consoleScope().rounds);
        EXPECT_EQ(result.modules.size(), 3u);
    }
    {
        auto farm = StartFarm({sim::DefaultModule(0)});
        const discovery::SearchResult result = discovery::SearchForModules(consoleScope());
        EXPECT_FALSE(result.lossy);
        EXPECT_EQ(result.requests, 2);
    }
    const discovery::SearchResult nobody = discovery::SearchForModules(consoleScope());
    EXPECT_TRUE(nobody.modules.empty());
    EXPECT_EQ(nobody.requests, 5);
}

}  // namespace
}  // namespace quelvar::testing
