// Many waits on one thread: the fibers a site's rows run on.
#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/fibers.h"
#include "platform/process.h"

namespace quelvar::platform::fibers {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Tasks that pause for different lengths: they run side by side (a short
// one ends first, though started after longer ones), never more of them than
// allowed, none pauses shorter than asked, and the tick runs while they wait.
TEST(Fibers, TasksPauseSideBySideWithinTheirBound) {
    if (!Supported()) GTEST_SKIP() << "rows run on threads here";
    constexpr std::size_t kTasks = 12;
    constexpr std::size_t kAtOnce = 6;
    std::vector<std::size_t> endOrder;
    std::vector<std::string> problems(kTasks);
    std::size_t live = 0, mostLive = 0, ticks = 0;
    const std::thread::id caller = std::this_thread::get_id();
    fibers::Run(
        kTasks, kAtOnce,
        [&](std::size_t index) {
            mostLive = std::max(mostLive, ++live);
            if (!OnFiber()) problems[index] += " not on a fiber";
            if (std::this_thread::get_id() != caller) problems[index] += " on another thread";
            // The first six pause 700, 600, ... 200 ms, the rest 10 ms, in two steps.
            const milliseconds pause(index < kAtOnce ? 50 * (kAtOnce + 1 - index) : 5);
            const Clock::time_point started = Clock::now();
            sleepFor(pause);
            sleepFor(pause);
            if (Clock::now() - started < 2 * pause) problems[index] += " short pause";
            endOrder.push_back(index);
            --live;
        },
        [&] { ++ticks; }, milliseconds(20));
    EXPECT_FALSE(OnFiber());
    EXPECT_EQ(mostLive, kAtOnce);
    ASSERT_EQ(endOrder.size(), kTasks);
    // The shortest of the first six ends first; the quick seventh, started
    // then, ends before the other five.
    EXPECT_EQ(endOrder[0], kAtOnce - 1);
    EXPECT_EQ(endOrder[1], kAtOnce);
    EXPECT_GT(ticks, 0u);
    for (std::size_t i = 0; i < kTasks; ++i) EXPECT_EQ(problems[i], "") << "task " << i;
}

// A flush handed to a helper thread does not hold the others: one task's
// offloaded work waits for a word that only another fiber gives. Run on the
// fibers' own thread, it would wait for ever.
TEST(Fibers, OffloadedWorkLetsTheOtherFibersGoOn) {
    if (!Supported()) GTEST_SKIP() << "rows run on threads here";
    std::atomic<bool> given{false};
    std::atomic<bool> workedElsewhere{false};
    bool gaveUp = false;
    const std::thread::id caller = std::this_thread::get_id();
    fibers::Run(
        2, 2,
        [&](std::size_t index) {
            if (index == 0) {
                Offload([&] {
                    workedElsewhere = std::this_thread::get_id() != caller;
                    const Clock::time_point limit = Clock::now() + std::chrono::seconds(10);
                    while (!given && Clock::now() < limit) std::this_thread::sleep_for(milliseconds(1));
                    gaveUp = !given;
                });
            } else {
                sleepFor(milliseconds(50));
                given = true;
            }
        },
        {}, milliseconds(100));
    EXPECT_TRUE(workedElsewhere);
    EXPECT_FALSE(gaveUp);
}

}  // namespace
}  // namespace quelvar::platform::fibers
