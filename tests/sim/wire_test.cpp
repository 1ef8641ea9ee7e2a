// The wire's choices (which frames it loses, when the others come out) and
// its queue of frames in flight, without any device.
#include "sim/wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/link_faults.h"
#include "sim/wire_queue.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using Clock = WireDirection::Clock;

LinkFaults Settings(const std::string& text) {
    LinkFaults faults;
    std::string error;
    EXPECT_TRUE(ParseLinkFaults(text, faults, error)) << text << ": " << error;
    return faults;
}

// What a direction makes of `count` frames entering `spacing` apart: for
// each, how long after entering it leaves, or nothing when lost.
std::vector<std::optional<Clock::duration>> Admit(WireDirection direction, int count,
                                                  Clock::duration spacing) {
    const Clock::time_point start = Clock::now();
    std::vector<std::optional<Clock::duration>> made;
    for (int n = 0; n < count; ++n) {
        Clock::time_point entered = start + n * spacing;
        auto due = direction.admit(entered);
        made.push_back(due ? std::optional<Clock::duration>(*due - entered) : std::nullopt);
    }
    return made;
}

double LostFraction(const std::vector<std::optional<Clock::duration>>& made) {
    int lost = 0;
    for (const auto& frame : made) lost += !frame;
    return static_cast<double>(lost) / static_cast<double>(made.size());
}

TEST(WireDirectionChoices, NoFaultsPassEveryFrameAtOnce) {
    for (WireWay way : {WireWay::ToModules, WireWay::FromModules}) {
        WireDirection direction(Settings("seed=5"), way);
        for (const auto& frame : Admit(direction, 500, 10us)) {
            ASSERT_TRUE(frame.has_value());
            EXPECT_EQ(*frame, Clock::duration::zero());
        }
    }
    WireDirection counted(LinkFaults{}, WireWay::ToModules);
    for (int n = 0; n < 10; ++n) counted.admit(Clock::now());
    EXPECT_EQ(counted.admitted(), 10u);
    EXPECT_EQ(counted.lost(), 0u);
}

TEST(WireDirectionChoices, LossOfEachWayIsNearItsSetting) {
    const LinkFaults faults = Settings("loss-in=20%,loss-out=5%,seed=7");
    WireDirection toModules(faults, WireWay::ToModules);
    WireDirection fromModules(faults, WireWay::FromModules);
    EXPECT_NEAR(LostFraction(Admit(toModules, 20000, 1ms)), 0.20, 0.015);
    EXPECT_NEAR(LostFraction(Admit(fromModules, 20000, 1ms)), 0.05, 0.008);

    WireDirection counted(faults, WireWay::ToModules);
    for (int n = 0; n < 1000; ++n) counted.admit(Clock::now());
    EXPECT_EQ(counted.admitted() + counted.lost(), 1000u);
    EXPECT_GT(counted.lost(), 100u);
    EXPECT_LT(counted.lost(), 300u);

    WireDirection everything(Settings("loss=100%"), WireWay::FromModules);
    EXPECT_EQ(LostFraction(Admit(everything, 200, 1ms)), 1.0);
}

TEST(WireDirectionChoices, FramesOfOneDirectionLeaveInTheOrderTheyCame) {
    // Frames closer together than the jitter would overtake each other if
    // each kept its own delay.
    WireDirection direction(Settings("delay=300,jitter=200,seed=3"), WireWay::FromModules);
    const Clock::time_point start = Clock::now();
    Clock::time_point previous = start;
    Clock::duration shortest = 1h;
    Clock::duration longest = Clock::duration::zero();
    for (int n = 0; n < 5000; ++n) {
        const Clock::time_point entered = start + n * 100us;
        auto due = direction.admit(entered);
        ASSERT_TRUE(due.has_value());
        EXPECT_GE(*due, previous) << "frame " << n << " overtook the one before it";
        EXPECT_GE(*due - entered, 100ms) << "never shorter than delay - jitter";
        EXPECT_LE(*due, std::max(previous, entered + 500ms)) << "nor longer than it must";
        shortest = std::min(shortest, *due - entered);
        longest = std::max(longest, *due - entered);
        previous = *due;
    }
    EXPECT_LT(shortest, 150ms) << "the jitter varies the delay";
    EXPECT_GT(longest, 450ms);
}

TEST(WireDirectionChoices, OneSeedRepeatsTheChoicesAndEachWayHasItsOwn) {
    const LinkFaults faults = Settings("loss=20%,delay=300,jitter=100,seed=42");
    auto made = Admit(WireDirection(faults, WireWay::ToModules), 3000, 700us);
    EXPECT_EQ(Admit(WireDirection(faults, WireWay::ToModules), 3000, 700us), made);

    LinkFaults otherSeed = faults;
    otherSeed.seed = 43;
    EXPECT_NE(Admit(WireDirection(otherSeed, WireWay::ToModules), 3000, 700us), made);
    EXPECT_NE(Admit(WireDirection(faults, WireWay::FromModules), 3000, 700us), made)
        << "the two ways must not lose the same frames";
}

TEST(WireDirectionChoices, ALossRateChangesNoDelay) {
    // Frames a second apart never wait for the one before them, so each
    // leaves after exactly the delay drawn for it.
    const auto delays = [](const std::string& settings) {
        return Admit(WireDirection(Settings(settings), WireWay::ToModules), 400, 1s);
    };
    auto whole = delays("delay=300,jitter=100,seed=9");
    auto lossy = delays("loss=30%,delay=300,jitter=100,seed=9");
    int compared = 0;
    for (std::size_t n = 0; n < whole.size(); ++n) {
        if (!lossy[n]) continue;
        EXPECT_EQ(lossy[n], whole[n]) << "frame " << n;
        ++compared;
    }
    EXPECT_GT(compared, 200);
    EXPECT_LT(compared, 400);
}

std::vector<std::uint8_t> Frame(std::uint8_t first, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

TEST(WireQueueHolding, HandsOutOnlyDueFramesOldestFirst) {
    WireQueue queue(4);
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(queue.nextDue().has_value());
    EXPECT_FALSE(queue.due(start + 1h).has_value());

    ASSERT_TRUE(queue.push(start + 10ms, Frame(1, 60)));
    ASSERT_TRUE(queue.push(start + 20ms, Frame(2, 1514)));
    EXPECT_EQ(queue.nextDue(), start + 10ms);
    EXPECT_FALSE(queue.due(start + 9ms).has_value());

    auto first = queue.due(start + 10ms);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(first->begin(), first->end()), Frame(1, 60));
    queue.pop();
    EXPECT_FALSE(queue.due(start + 15ms).has_value());
    auto second = queue.due(start + 25ms);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(second->begin(), second->end()), Frame(2, 1514));
    queue.pop();
    EXPECT_EQ(queue.size(), 0u);
    queue.pop();  // nothing to take: no harm
    EXPECT_EQ(queue.size(), 0u);
}

TEST(WireQueueHolding, DropsWhatComesWhenFullAndReusesItsRing) {
    WireQueue queue(3);
    const Clock::time_point start = Clock::now();
    for (std::uint8_t n = 0; n < 3; ++n) {
        ASSERT_TRUE(queue.push(start + n * 1ms, Frame(n, 100u + n % 3)));
    }
    EXPECT_FALSE(queue.push(start, Frame(9, 100))) << "a full queue takes nothing";
    EXPECT_EQ(queue.size(), 3u);

    // Round the ring several times: frames come out whole and in order.
    std::uint8_t next = 0;
    for (std::uint8_t n = 3; n < 20; ++n) {
        auto oldest = queue.due(start + 1h);
        ASSERT_TRUE(oldest.has_value());
        EXPECT_EQ(std::vector<std::uint8_t>(oldest->begin(), oldest->end()),
                  Frame(next, 100u + next % 3));
        queue.pop();
        ++next;
        ASSERT_TRUE(queue.push(start + n * 1ms, Frame(n, 100u + n % 3)));
        EXPECT_EQ(queue.size(), 3u);
    }
}

}  // namespace
}  // namespace quelvar::sim
