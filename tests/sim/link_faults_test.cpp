// Link faults as settings and as the choices of one direction of a path.
#include "sim/link_faults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using Clock = LinkDirection::Clock;

TEST(LinkFaultSettings, ReadEverySettingAndKeepWhatIsNotNamed) {
    LinkFaults faults;
    std::string error;
    ASSERT_TRUE(ParseLinkFaults("loss=5%,delay=300,jitter=100,dup=1%,seed=7", faults, error))
        << error;
    EXPECT_DOUBLE_EQ(faults.lossToModule, 0.05);
    EXPECT_DOUBLE_EQ(faults.lossFromModule, 0.05);
    EXPECT_EQ(faults.delay, 300ms);
    EXPECT_EQ(faults.jitter, 100ms);
    EXPECT_DOUBLE_EQ(faults.duplicate, 0.01);
    EXPECT_EQ(faults.seed, 7u);

    ASSERT_TRUE(ParseLinkFaults("loss-in=2.5%,loss-out=40", faults, error)) << error;
    EXPECT_DOUBLE_EQ(faults.lossToModule, 0.025);
    EXPECT_DOUBLE_EQ(faults.lossFromModule, 0.40);
    EXPECT_EQ(faults.delay, 300ms) << "settings not named stay";
    EXPECT_TRUE(faults.any());
    EXPECT_FALSE((LinkFaults{.seed = 9}).any()) << "a seed alone is no fault";

    for (const char* bad : {"", "loss", "loss=", "loss=101%", "loss=-1%", "loss=5%%", "dup=x",
                            "delay=60001", "delay=-5", "jitter=1.5", "seed=-1", "seed=1e3",
                            "lose=5%", "loss=5%,", "delay=300;jitter=5"}) {
        LinkFaults before = faults;
        error.clear();
        EXPECT_FALSE(ParseLinkFaults(bad, faults, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(faults, before) << "a refused setting changes nothing: " << bad;
    }
}

TEST(LinkDirectionChoices, NoFaultsNoDelayNothingLost) {
    LinkDirection path = LinkDirection::FromModule(LinkFaults{.seed = 3}, 11);
    const auto start = Clock::now();
    int changed = 0;
    for (int n = 0; n < 200; ++n) {
        auto sent = start + n * 1ms;
        changed += path.lose() || path.duplicate() || path.delay() != Clock::duration::zero() ||
                   path.segmentDue(sent) != sent;
    }
    EXPECT_EQ(changed, 0);
}

TEST(LinkDirectionChoices, RatesHoldAndOneSeedRepeatsTheChoices) {
    const LinkFaults faults{.lossToModule = 0.1, .lossFromModule = 0.3, .duplicate = 0.2};
    auto choices = [&](std::uint64_t seed) {
        LinkDirection in = LinkDirection::ToModule(faults, seed);
        LinkDirection out = LinkDirection::FromModule(faults, seed + 1000);
        std::vector<int> made;
        for (int n = 0; n < 4000; ++n) {
            made.push_back(in.lose() * 4 + out.lose() * 2 + out.duplicate() + in.duplicate() * 8);
        }
        return made;
    };
    std::vector<int> made = choices(1);
    auto rate = [&](int bit) {
        return static_cast<double>(
                   std::count_if(made.begin(), made.end(), [&](int m) { return (m & bit) != 0; })) /
               static_cast<double>(made.size());
    };
    EXPECT_NEAR(rate(4), 0.1, 0.02) << "to the module";
    EXPECT_NEAR(rate(2), 0.3, 0.03) << "from the module";
    EXPECT_NEAR(rate(1), 0.2, 0.025) << "duplicates";
    EXPECT_EQ(rate(8), 0.0) << "nothing reaches the module twice";
    EXPECT_EQ(choices(1), made);
    EXPECT_NE(choices(2), made);
}

TEST(LinkDirectionChoices, DelayVariesByTheJitterAroundItsValue) {
    LinkDirection path = LinkDirection::ToModule(LinkFaults{.delay = 300ms, .jitter = 100ms}, 5);
    Clock::duration low = 1h, high = 0s, sum = 0s;
    for (int n = 0; n < 2000; ++n) {
        auto delay = path.delay();
        low = std::min(low, delay);
        high = std::max(high, delay);
        sum += delay;
    }
    EXPECT_GE(low, 200ms);
    EXPECT_LT(low, 210ms);
    EXPECT_LE(high, 400ms);
    EXPECT_GT(high, 390ms);
    const double meanMs = std::chrono::duration<double, std::milli>(sum / 2000).count();
    EXPECT_NEAR(meanMs, 300.0, 5.0);

    // Jitter larger than the delay never makes a negative delay.
    LinkDirection wide = LinkDirection::ToModule(LinkFaults{.delay = 10ms, .jitter = 50ms}, 5);
    int negative = 0;
    for (int n = 0; n < 200; ++n) negative += wide.delay() < Clock::duration::zero();
    EXPECT_EQ(negative, 0);
}

TEST(LinkDirectionChoices, SegmentsKeepTheirOrderAndALostOneWaitsForRetransmission) {
    // Jitter larger than the gap between segments would reorder datagrams,
    // never a stream's segments.
    LinkDirection jittery = LinkDirection::FromModule(LinkFaults{.delay = 50ms, .jitter = 40ms}, 2);
    const auto start = Clock::now();
    auto previous = start;
    int overtaking = 0;
    int early = 0;
    for (int n = 0; n < 500; ++n) {
        auto sent = start + n * 5ms;
        auto due = jittery.segmentDue(sent);
        overtaking += due < previous;
        early += due < sent + 10ms;
        previous = due;
    }
    EXPECT_EQ(overtaking, 0);
    EXPECT_EQ(early, 0);

    // Always lost: held for 200 ms, then 400, 800 ... up to the last
    // retransmission, which gets through.
    LinkDirection lost = LinkDirection::ToModule(LinkFaults{.lossToModule = 1.0}, 4);
    EXPECT_EQ(lost.retransmissionTime(), 200ms);
    const auto held = 200ms * ((1 << LinkDirection::kMaxRetransmissions) - 1);
    EXPECT_EQ(lost.segmentDue(start), start + held);

    // A long path waits a round trip before it retransmits.
    LinkDirection slow =
        LinkDirection::ToModule(LinkFaults{.lossToModule = 1.0, .delay = 300ms, .jitter = 50ms}, 4);
    EXPECT_EQ(slow.retransmissionTime(), 700ms);

    // Sometimes lost: each segment either arrives at once or after a sum of
    // doubling retransmission times, as often as the rate says.
    LinkDirection some = LinkDirection::FromModule(LinkFaults{.lossFromModule = 0.25}, 8);
    int late = 0;
    int odd = 0;
    for (int n = 0; n < 2000; ++n) {
        auto sent = start + n * 20s;  // far apart: no segment waits behind another
        auto wait = some.segmentDue(sent) - sent;
        odd += !(wait == 0ms || wait == 200ms || wait == 600ms || wait == 1400ms || wait >= 3000ms);
        late += wait > 0ms;
    }
    EXPECT_EQ(odd, 0);
    EXPECT_NEAR(late / 2000.0, 0.25, 0.03);
}

}  // namespace
}  // namespace quelvar::sim
