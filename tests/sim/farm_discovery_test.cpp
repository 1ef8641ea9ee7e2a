// Searches and status queries against the farm, over real sockets.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "discovery_client.h"
#include "sim/farm.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Endpoint;
using testing::DiscoveryClient;
using testing::kBroadcast;

std::vector<ModuleConfig> DefaultModules(int count) {
    std::vector<ModuleConfig> modules;
    for (int i = 0; i < count; ++i) modules.push_back(DefaultModule(i));
    return modules;
}

TEST(FarmSearch, EveryModuleAnswersABroadcastFromItsOwnAddress) {
    QUELVAR_REQUIRE_NETNS();
    auto modules = DefaultModules(3);
    auto farm = quelvar::testing::StartFarm(modules);
    DiscoveryClient client;
    ASSERT_EQ(client.send(testing::SearchRequest(), kBroadcast), 0);
    auto replies = client.receiveUntilQuiet(300ms);
    ASSERT_EQ(replies.size(), 3u);

    for (const auto& config : modules) {
        auto reply = std::find_if(replies.begin(), replies.end(), [&](const auto& r) {
            return r.from == Ipv4Endpoint{config.address, 30718};
        });
        ASSERT_NE(reply, replies.end()) << Ipv4Endpoint{config.address, 0}.addressText();
        const Bytes& bytes = reply->bytes;
        ASSERT_EQ(bytes.size(), 30u);
        EXPECT_EQ(bytes[6] >> 4, config.versionMinor);
        EXPECT_EQ(bytes[7] & 0x0F, config.versionMajor);
        EXPECT_EQ(bytes[8], config.productLetters[0]);
        EXPECT_EQ(bytes[9], config.productLetters[1]);
        EXPECT_TRUE(std::equal(config.mac.begin(), config.mac.end(), bytes.begin() + 24));
    }

    // Every module took the broadcast, and saw where it was sent.
    auto seen = farm->receivedDatagrams();
    ASSERT_EQ(seen.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)].module, i);
        EXPECT_EQ(seen[static_cast<std::size_t>(i)].to, kBroadcast);
        EXPECT_EQ(seen[static_cast<std::size_t>(i)].bytes, testing::SearchRequest());
    }

    // A second search gives the same fields, and noise everywhere else: no
    // reader can lean on the bytes nothing promises.
    ASSERT_EQ(client.send(testing::SearchRequest(), kBroadcast), 0);
    auto again = client.receiveUntilQuiet(300ms);
    ASSERT_EQ(again.size(), 3u);
    for (const auto& reply : again) {
        auto first = std::find_if(replies.begin(), replies.end(),
                                  [&](const auto& r) { return r.from == reply.from; });
        ASSERT_NE(first, replies.end());
        EXPECT_TRUE(std::equal(reply.bytes.begin() + 24, reply.bytes.end(), first->bytes.begin() + 24));
        EXPECT_EQ(reply.bytes[8], first->bytes[8]);
        EXPECT_NE(Bytes(reply.bytes.begin() + 10, reply.bytes.begin() + 24),
                  Bytes(first->bytes.begin() + 10, first->bytes.begin() + 24));
    }
}

TEST(FarmSearch, ProfilesChangeHowAModuleAnswers) {
    QUELVAR_REQUIRE_NETNS();
    auto modules = DefaultModules(5);
    modules[0].searchReplyCount = 2;
    modules[1].answersSearch = false;
    modules[2].searchReplySize = 31;
    modules[3].searchReplyDelay = 400ms;
    modules[4].replyPort = 30800;
    auto farm = quelvar::testing::StartFarm(modules);
    DiscoveryClient client;
    auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(client.send(testing::SearchRequest(), kBroadcast), 0);
    auto replies = client.receiveUntilQuiet(600ms);

    auto from = [&](int index, std::uint16_t port = 30718) {
        return std::count_if(replies.begin(), replies.end(), [&](const auto& r) {
            return r.from == Ipv4Endpoint{modules[static_cast<std::size_t>(index)].address, port};
        });
    };
    EXPECT_EQ(from(0), 2);
    EXPECT_EQ(from(1), 0);
    EXPECT_EQ(from(3), 1);
    EXPECT_EQ(from(4, 30800), 1);
    ASSERT_EQ(from(2), 1);
    auto longReply = std::find_if(replies.begin(), replies.end(), [&](const auto& r) {
        return r.from.octets == modules[2].address;
    });
    EXPECT_EQ(longReply->bytes.size(), 31u);
    EXPECT_EQ(replies.size(), 5u);
    // The delayed module answered last, and not before its delay.
    EXPECT_EQ(replies.back().from.octets, modules[3].address);
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 400ms);
}

TEST(FarmSearch, ThreeHundredModulesAnswerOneSearchWithoutLoss) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = quelvar::testing::StartFarm(DefaultModules(300));
    DiscoveryClient client;
    ASSERT_EQ(client.send(testing::SearchRequest(), kBroadcast), 0);
    auto replies = client.receiveUntilQuiet(500ms);
    std::set<std::uint32_t> sources;
    for (const auto& reply : replies) {
        EXPECT_EQ(reply.bytes.size(), 30u);
        const auto& o = reply.from.octets;
        sources.insert((std::uint32_t{o[2]} << 8) | o[3]);
    }
    EXPECT_EQ(replies.size(), 300u);
    EXPECT_EQ(sources.size(), 300u);
}

TEST(FarmStatus, ReplySizesDelaysAndIgnoredQueries) {
    QUELVAR_REQUIRE_NETNS();
    auto modules = DefaultModules(4);
    modules[1].statusReplySize = 60;
    modules[2].statusReplySize = 125;
    modules[2].statusReplyDelay = 300ms;
    modules[3].ignoreFirstStatusQueries = 2;
    auto farm = quelvar::testing::StartFarm(modules);

    auto query = [&](int index) {
        DiscoveryClient client;
        Ipv4Endpoint to{modules[static_cast<std::size_t>(index)].address, 30718};
        EXPECT_EQ(client.send(testing::StatusQuery(), to), 0);
        return client.receiveUntilQuiet(500ms);
    };

    auto plain = query(0);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].bytes.size(), 124u);
    EXPECT_EQ(plain[0].from, (Ipv4Endpoint{modules[0].address, 30718}));
    // Nothing in it but noise, new on every reply.
    auto next = query(0);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_NE(next[0].bytes, plain[0].bytes);
    EXPECT_FALSE(std::search(plain[0].bytes.begin(), plain[0].bytes.end(), modules[0].mac.begin(),
                             modules[0].mac.end()) != plain[0].bytes.end());
    EXPECT_EQ(query(1).at(0).bytes.size(), 60u);

    auto start = std::chrono::steady_clock::now();
    auto late = query(2);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].bytes.size(), 125u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);

    EXPECT_TRUE(query(3).empty());
    EXPECT_TRUE(query(3).empty());
    EXPECT_EQ(query(3).size(), 1u);

    // The query arrived addressed to the module itself.
    auto seen = farm->receivedDatagrams();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].module, 0);
    EXPECT_EQ(seen[0].to, (Ipv4Endpoint{modules[0].address, 30718}));
}

TEST(FarmStatus, StatusQueryReachesAModuleThatAnswersSearchesFromAnotherPort) {
    QUELVAR_REQUIRE_NETNS();
    auto config = DefaultModule(0);
    config.replyPort = 30800;
    auto farm = quelvar::testing::StartFarm({config});
    DiscoveryClient client;
    ASSERT_EQ(client.send(testing::StatusQuery(), Ipv4Endpoint{config.address, 30718}), 0);
    auto replies = client.receiveUntilQuiet(300ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].from, (Ipv4Endpoint{config.address, 30800}));
}

}  // namespace
}  // namespace quelvar::sim
