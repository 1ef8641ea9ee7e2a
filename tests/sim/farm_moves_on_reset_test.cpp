// A module whose setup records carry its own address comes back from a
// reset somewhere else: written over its monitor port, as the tool does.
#include <gtest/gtest.h>

#include <thread>

#include "discovery_client.h"
#include "monitor_client.h"
#include "sim/farm.h"
#include "sim/web_page.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Endpoint;
using platform::Ipv4Octets;

std::size_t StatusReplies(const Ipv4Octets& address) {
    testing::DiscoveryClient client;
    client.send(testing::StatusQuery(), Ipv4Endpoint{address, 30718});
    return client.receiveUntilQuiet(200ms).size();
}

// Writes the module's address record with `address` at the module's place,
// then resets it. True when the module took the record and the reset.
bool WriteAddressAndReset(const ModuleConfig& config, const Ipv4Octets& address) {
    RecordPlace place = AddressPlaceInRecords(config);
    Bytes record = config.records.at(place.record);
    std::copy(address.begin(), address.end(), record.begin() + static_cast<long>(place.offset));
    testing::ScriptedConnection monitor(Ipv4Endpoint{config.address, 9999});
    return testing::EnterMonitorMode(monitor) &&
           testing::WriteRecord(monitor, place.record, record) && monitor.send("RS\r\n");
}

TEST(FarmMovesOnReset, ComesBackAtTheAddressWrittenIntoItsRecord) {
    QUELVAR_REQUIRE_NETNS();
    std::vector<ModuleConfig> modules{DefaultModule(0), DefaultModule(1)};
    for (auto& config : modules) {
        config.movesOnReset = true;
        config.resetSilence = 300ms;
    }
    auto farm = quelvar::testing::StartFarm(modules);
    const Ipv4Octets moved{127, 0, 0, 77};

    // Both at once: module 0 is given a loopback address, module 1 one that
    // it cannot live at here, so it stays where it was.
    bool wrote[2] = {false, false};
    std::thread other([&] { wrote[1] = WriteAddressAndReset(modules[1], {10, 1, 2, 3}); });
    wrote[0] = WriteAddressAndReset(modules[0], moved);
    other.join();
    ASSERT_TRUE(wrote[0]);
    ASSERT_TRUE(wrote[1]);

    for (int n = 0; n < 40 && StatusReplies(moved) == 0; ++n) std::this_thread::sleep_for(50ms);
    EXPECT_EQ(farm->module(0).address, moved);
    EXPECT_EQ(StatusReplies(modules[0].address), 0u);
    EXPECT_EQ(farm->resets(0), 1);
    EXPECT_EQ(farm->module(1).address, modules[1].address);
    EXPECT_EQ(StatusReplies(modules[1].address), 1u);

    // Every port moved with it.
    testing::DiscoveryClient client;
    ASSERT_EQ(client.send(testing::SearchRequest(), testing::kBroadcast), 0);
    auto replies = client.receiveUntilQuiet(300ms);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_TRUE(replies[0].from.octets == moved || replies[1].from.octets == moved);
    testing::ScriptedConnection monitor(Ipv4Endpoint{moved, 9999});
    EXPECT_TRUE(monitor.readUntil("Mode"));
    testing::ScriptedConnection old(Ipv4Endpoint{modules[0].address, 9999});
    EXPECT_NE(old.error(), 0);
    testing::ScriptedConnection web(Ipv4Endpoint{moved, 80});
    ASSERT_TRUE(web.send("GET / HTTP/1.0\r\n\r\n"));
    EXPECT_TRUE(web.readUntil("<td>127.0.0.77</td>")) << web.received();
}

TEST(FarmMovesOnReset, TheAddressIsTakenOnlyFromARecordWrittenSinceTheLastReset) {
    ModuleConfig config = DefaultModule(3);
    RecordPlace place = AddressPlaceInRecords(config);
    ASSERT_TRUE(config.records.count(place.record)) << "a downloaded file must carry it";
    ASSERT_LE(place.offset + 4, config.records.at(place.record).size());
    std::copy_n(Ipv4Octets{127, 0, 0, 9}.begin(), 4,
                config.records[place.record].begin() + static_cast<long>(place.offset));

    EXPECT_EQ(AddressInWrittenRecords(config, {place.record}), std::nullopt)
        << "only with the profile";
    config.movesOnReset = true;
    EXPECT_EQ(AddressInWrittenRecords(config, {}), std::nullopt) << "held, but not written";
    EXPECT_EQ(AddressInWrittenRecords(config, {place.record}), (Ipv4Octets{127, 0, 0, 9}));
    config.records[place.record].resize(place.offset + 3);
    EXPECT_EQ(AddressInWrittenRecords(config, {place.record}), std::nullopt) << "cut short";

    // Each module chooses its own place.
    std::set<std::pair<int, std::size_t>> places;
    for (int i = 0; i < 16; ++i) {
        RecordPlace each = AddressPlaceInRecords(DefaultModule(i));
        places.emplace(each.record, each.offset);
    }
    EXPECT_GT(places.size(), 8u);
}

}  // namespace
}  // namespace quelvar::sim
