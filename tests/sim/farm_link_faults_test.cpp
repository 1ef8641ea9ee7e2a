// The farm's own link faults, seen from the tool's side of real sockets:
// datagrams lost and doubled at their rates and repeatably for one seed,
// delays that lengthen every round trip, and TCP that delivers every byte
// in order all the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "discovery_client.h"
#include "monitor_client.h"
#include "sim/farm.h"
#include "sim/web_page.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using platform::Ipv4Endpoint;
using testing::DiscoveryClient;

// Sends `count` status queries to `to`, each from a socket of its own so
// that every reply tells which query it answers; the replies each query got.
std::vector<int> RepliesPerQuery(const platform::Ipv4Octets& to, int count) {
    std::vector<DiscoveryClient> clients(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        clients[static_cast<std::size_t>(i)].send(testing::StatusQuery(), Ipv4Endpoint{to, 30718});
        // Small bursts, so that no datagram is lost in the module's socket
        // buffer: only the link may lose them.
        if (i % 20 == 19) std::this_thread::sleep_for(5ms);
    }
    std::this_thread::sleep_for(200ms);
    std::vector<int> replies;
    for (auto& client : clients) {
        replies.push_back(static_cast<int>(client.receiveUntilQuiet(0ms).size()));
    }
    return replies;
}

std::chrono::duration<double, std::milli> Since(Clock::time_point start) {
    return Clock::now() - start;
}

// Status queries until one is answered, then quiet: what the link did meanwhile.
struct WarmUp {
    std::size_t seen = 0;
    LinkCounts counts;
};
WarmUp warmUp(const Farm& farm, const platform::Ipv4Octets& to) {
    DiscoveryClient client;
    // Each query is given every ask of the resolution (three, a second
    // apart), so how many it takes follows from the seed alone.
    for (int n = 0; n < 20; ++n) {
        static_cast<void>(client.send(testing::StatusQuery(), Ipv4Endpoint{to, 30718}));
        if (client.receiveOne(4s)) break;
    }
    static_cast<void>(client.receiveUntilQuiet(300ms));
    WarmUp done;
    for (const auto& datagram : farm.receivedDatagrams()) done.seen += datagram.module == 0;
    done.counts = farm.linkCounts(0);
    return done;
}

TEST(FarmLinkFaults, DatagramsAreLostAndDoubledAtTheirRatesTheSameForOneSeed) {
    QUELVAR_REQUIRE_NETNS();
    constexpr int kQueries = 300;
    struct Run {
        std::vector<int> faulty;
        std::size_t seen = 0;  // queries that reached the faulty module
        LinkCounts counts;
        std::vector<int> clean;
    };
    auto run = [&](std::uint64_t seed, bool withClean) {
        std::vector<ModuleConfig> modules{DefaultModule(0), DefaultModule(1)};
        modules[1].linkFaults = LinkFaults{.seed = seed};  // its own path: no faults
        Farm farm(modules);
        farm.setLinkFaults(LinkFaults{
            .lossToModule = 0.10, .lossFromModule = 0.30, .duplicate = 0.20, .seed = seed});
        Run result;
        EXPECT_EQ(farm.start(), 0);
        // Until both sides have found each other on the LAN (a round trip the
        // link may lose too), the first exchange waits: that is over first.
        const WarmUp before = warmUp(farm, modules[0].address);
        result.faulty = RepliesPerQuery(modules[0].address, kQueries);
        if (withClean) result.clean = RepliesPerQuery(modules[1].address, kQueries);
        for (const auto& datagram : farm.receivedDatagrams()) result.seen += datagram.module == 0;
        result.seen -= before.seen;
        result.counts = farm.linkCounts(0);
        result.counts.datagramsLostToModule -= before.counts.datagramsLostToModule;
        result.counts.datagramsLostFromModule -= before.counts.datagramsLostFromModule;
        result.counts.datagramsDoubled -= before.counts.datagramsDoubled;
        return result;
    };

    Run first = run(7, true);
    auto queries = [&](int replies) {
        return static_cast<std::uint64_t>(
            std::count(first.faulty.begin(), first.faulty.end(), replies));
    };
    const std::uint64_t answered = queries(1) + queries(2);
    ASSERT_EQ(answered + queries(0), static_cast<std::uint64_t>(kQueries)) << "at most two replies";
    const double seen = static_cast<double>(first.seen);
    EXPECT_NEAR(1.0 - seen / kQueries, 0.10, 0.06) << "lost on the way to the module";
    EXPECT_NEAR(1.0 - static_cast<double>(answered) / seen, 0.30, 0.10) << "replies lost";
    EXPECT_NEAR(static_cast<double>(queries(2)) / static_cast<double>(answered), 0.20, 0.10)
        << "replies doubled";
    EXPECT_EQ(std::count(first.clean.begin(), first.clean.end(), 1), kQueries)
        << "a module without faults answers every query once";
    // The farm's own count agrees with what the tool saw.
    EXPECT_EQ(first.seen + first.counts.datagramsLostToModule,
              static_cast<std::uint64_t>(kQueries));
    EXPECT_EQ(first.counts.datagramsLostFromModule, first.seen - answered);
    EXPECT_EQ(first.counts.datagramsDoubled, queries(2));

    Run again = run(7, false);
    EXPECT_EQ(again.faulty, first.faulty) << "the same seed and traffic, the same faults";
    EXPECT_EQ(again.seen, first.seen);
    EXPECT_NE(run(8, false).faulty, first.faulty) << "another seed, other faults";
}

TEST(FarmLinkFaults, DelayAndJitterLengthenEveryRoundTrip) {
    QUELVAR_REQUIRE_NETNS();
    std::vector<ModuleConfig> modules{DefaultModule(0), DefaultModule(1)};
    modules[0].linkFaults = LinkFaults{.delay = 100ms, .jitter = 40ms, .seed = 1};
    auto farm = quelvar::testing::StartFarm(modules);

    // Each way takes 60 to 140 ms.
    DiscoveryClient client;
    std::vector<double> trips;
    for (int n = 0; n < 5; ++n) {
        auto sent = Clock::now();
        ASSERT_EQ(client.send(testing::StatusQuery(), Ipv4Endpoint{modules[0].address, 30718}), 0);
        ASSERT_TRUE(client.receiveOne(2s)) << "query " << n;
        trips.push_back(Since(sent).count());
    }
    auto [shortest, longest] = std::minmax_element(trips.begin(), trips.end());
    EXPECT_GE(*shortest, 120.0);
    EXPECT_LT(*longest, 1500.0);
    EXPECT_GT(*longest - *shortest, 20.0) << "jitter varies the round trips";

    // The same on the monitor port, each way; the other module's is as fast as ever.
    testing::ScriptedConnection monitor(Ipv4Endpoint{modules[0].address, 9999});
    ASSERT_TRUE(monitor.readUntil("Mode"));
    auto sent = Clock::now();
    ASSERT_TRUE(monitor.send("M"));
    ASSERT_TRUE(monitor.readUntil(">", monitor.received().find("Mode")));
    EXPECT_GE(Since(sent).count(), 120.0);

    testing::ScriptedConnection direct(Ipv4Endpoint{modules[1].address, 9999});
    ASSERT_TRUE(direct.readUntil("Mode"));
    sent = Clock::now();
    ASSERT_TRUE(direct.send("M"));
    ASSERT_TRUE(direct.readUntil(">", direct.received().find("Mode")));
    EXPECT_LT(Since(sent).count(), 120.0);

    // And on the web port, the page whole.
    testing::ScriptedConnection web(Ipv4Endpoint{modules[0].address, 80});
    sent = Clock::now();
    ASSERT_TRUE(web.send("GET / HTTP/1.0\r\n\r\n"));
    ASSERT_TRUE(web.readUntil("</html>"));
    EXPECT_GE(Since(sent).count(), 120.0);
    web.readUntilQuiet(500ms);
    EXPECT_EQ(web.received().rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_TRUE(web.received().ends_with(WebPageHtml(modules[0]))) << web.received();
}

// What the tool receives in monitor mode after asking for some records, one
// of which the module lacks.
std::string Download(testing::ScriptedConnection& connection) {
    EXPECT_TRUE(testing::EnterMonitorMode(connection));
    for (int number : {0, 1, 2, 8}) {
        EXPECT_TRUE(connection.send("G" + std::to_string(number) + "\r\n"));
        std::this_thread::sleep_for(5ms);  // each command a segment of its own
    }
    return connection.received();
}

TEST(FarmLinkFaults, StreamsDeliverEveryByteInOrderThroughDelayJitterAndLoss) {
    QUELVAR_REQUIRE_NETNS();
    std::vector<ModuleConfig> modules{DefaultModule(0), DefaultModule(1)};
    modules[1].records = modules[0].records;
    // With seed 87 the first segment each way (the greeting, and "M") is
    // lost, whatever the later ones do.
    modules[1].linkFaults = LinkFaults{
        .lossToModule = 0.2, .lossFromModule = 0.2, .delay = 40ms, .jitter = 30ms, .seed = 87};
    auto farm = quelvar::testing::StartFarm(modules);

    testing::ScriptedConnection direct(Ipv4Endpoint{modules[0].address, 9999});
    Download(direct);
    direct.readUntilQuiet(300ms);
    const std::string expected = direct.received();
    ASSERT_NE(expected.find("9>"), std::string::npos) << "answers for the record it lacks";

    testing::ScriptedConnection faulty(Ipv4Endpoint{modules[1].address, 9999});
    Download(faulty);
    ASSERT_TRUE(faulty.readCount(expected.size(), 20s));
    faulty.readUntilQuiet(300ms);
    EXPECT_EQ(faulty.received(), expected);

    // And the other way: a record written through the faults arrives whole.
    Bytes record(126);
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i * 3);
    ASSERT_TRUE(testing::WriteRecord(faulty, 9, record));
    EXPECT_EQ(farm->module(1).records.at(9), record);
    std::string written = "S9\r\n";
    for (int offset = 0; offset < 126; offset += 32) {
        written +=
            testing::WriteDataLine(record.data() + offset, std::min(32, 126 - offset), offset);
    }
    written += ":00000001FF";
    Bytes sent = farm->monitorBytesReceived(0);
    sent.insert(sent.end(), written.begin(), written.end());
    EXPECT_EQ(farm->monitorBytesReceived(1), sent);

    // Segments were lost, both ways, and cost only time.
    EXPECT_GT(farm->linkCounts(1).segmentsHeldToModule, 0u);
    EXPECT_GT(farm->linkCounts(1).segmentsHeldFromModule, 0u);
    EXPECT_EQ(farm->linkCounts(0).segmentsHeldFromModule, 0u);

    // Bytes still on their way do not hold a stopping farm up.
    testing::ScriptedConnection late(Ipv4Endpoint{modules[1].address, 9999});
    ASSERT_TRUE(late.send("M"));
    std::this_thread::sleep_for(50ms);
    auto start = Clock::now();
    farm->stop();
    EXPECT_LT(Since(start).count(), 1500.0);
}

}  // namespace
}  // namespace quelvar::sim
