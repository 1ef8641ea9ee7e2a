// The status reply promises its length and nothing else, so a module puts
// nothing else in it: a tool that reads anything there reads noise.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/module_datagrams.h"

namespace quelvar::sim {
namespace {

std::size_t SameBytes(const Bytes& a, const Bytes& b) {
    std::size_t same = 0;
    for (std::size_t i = 4; i < std::min(a.size(), b.size()); ++i) same += a[i] == b[i];
    return same;
}

TEST(StatusReply, HeaderThenNoiseThatChangesFromReplyToReply) {
    const ModuleConfig config = DefaultModule(0);
    RandomStream noise(5);
    Bytes first = BuildStatusReply(config, noise);
    Bytes second = BuildStatusReply(config, noise);
    for (const Bytes& reply : {first, second}) {
        ASSERT_EQ(reply.size(), 124u);
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 4), (Bytes{0, 0, 0, kStatusReplyCode}));
        EXPECT_FALSE(std::equal(config.mac.begin(), config.mac.end(), reply.begin() + 24))
            << "no MAC where a search reply has it";
    }
    EXPECT_LT(SameBytes(first, second), 10u) << "new bytes on every reply";

    // Another module with the same seed says the same: the noise comes from
    // the seed alone, and one seed repeats a run.
    RandomStream again(5);
    EXPECT_EQ(BuildStatusReply(DefaultModule(7), again), first);
    RandomStream other(6);
    EXPECT_LT(SameBytes(BuildStatusReply(config, other), first), 10u);

    // The configured sizes stay, down to a reply shorter than its header.
    ModuleConfig sized = config;
    for (std::size_t size : {60u, 125u, 2u}) {
        sized.statusReplySize = size;
        Bytes reply = BuildStatusReply(sized, noise);
        ASSERT_EQ(reply.size(), size);
        EXPECT_EQ(reply[0], 0);
    }
}

}  // namespace
}  // namespace quelvar::sim
