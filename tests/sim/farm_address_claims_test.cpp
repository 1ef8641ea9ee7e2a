// Module addresses on a real adapter: each test makes a veth pair inside its
// own private namespace (it goes with the namespace) and lets the farm put
// its modules' addresses on one end, qvc0:
//
//   +------------------- private namespace of the test --------------------+
//   |  lo 127.0.0.1/8                                                      |
//   |  qvc0 10.9.0.1/24  + the addresses modules hold  <- veth ->  qvc1    |
//   +----------------------------------------------------------------------+
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "discovery_client.h"
#include "sim/farm.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Endpoint;
using platform::Ipv4Octets;

constexpr const char* kAdapter = "qvc0";

// Each case runs with the adapter made: in the test's own namespace only.
class FarmAddressClaims : public ::testing::Test {
  protected:
    void SetUp() override {
        QUELVAR_REQUIRE_NETNS();
        if (std::system("ip link add qvc0 type veth peer name qvc1 && "
                        "ip addr add 10.9.0.1/24 dev qvc0 && "
                        "ip link set qvc0 up && ip link set qvc1 up") != 0) {
            GTEST_SKIP() << "cannot make a veth pair in the private namespace";
        }
    }
};

// The IPv4 addresses on an adapter, as "10.9.0.1/24".
std::set<std::string> AddressesOn(const char* adapter) {
    std::set<std::string> found;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return found;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr ||
            entry->ifa_addr->sa_family != AF_INET || std::strcmp(entry->ifa_name, adapter) != 0) {
            continue;
        }
        sockaddr_in address{};
        sockaddr_in mask{};
        std::memcpy(&address, entry->ifa_addr, sizeof address);
        std::memcpy(&mask, entry->ifa_netmask, sizeof mask);
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
        found.insert(std::string(text) + "/" +
                     std::to_string(std::popcount(ntohl(mask.sin_addr.s_addr))));
    }
    ::freeifaddrs(list);
    return found;
}

ModuleConfig ModuleAt(int index, const Ipv4Octets& address) {
    ModuleConfig config = DefaultModule(index);
    config.address = address;
    config.ipSetupDelay = 0ms;
    return config;
}

std::unique_ptr<Farm> MakeFarm(std::vector<ModuleConfig> modules) {
    auto farm = std::make_unique<Farm>(std::move(modules));
    farm->allowAnyAddress(true);
    farm->claimAddressesOn(kAdapter);
    return farm;
}

// Tells module `config` to move to `target` and waits until it lives there.
bool Move(Farm& farm, int index, const ModuleConfig& config, const Ipv4Octets& target) {
    testing::DiscoveryClient client;
    if (client.send(testing::IpSetupCommand(config.mac[4], config.mac[5], target),
                    Ipv4Endpoint{farm.module(index).address, 30718}) != 0) {
        return false;
    }
    for (int n = 0; n < 40 && farm.module(index).address != target; ++n) {
        std::this_thread::sleep_for(25ms);
    }
    return farm.module(index).address == target;
}

std::size_t StatusReplies(const Ipv4Octets& address) {
    testing::DiscoveryClient client;
    client.send(testing::StatusQuery(), Ipv4Endpoint{address, 30718});
    return client.receiveUntilQuiet(200ms).size();
}

TEST_F(FarmAddressClaims, AnAddressIsOnTheAdapterExactlyWhileAModuleHoldsIt) {
    // 10.9.0.11 was there before: the farm uses it and leaves it.
    ASSERT_EQ(std::system("ip addr add 10.9.0.11/24 dev qvc0"), 0);
    std::vector<ModuleConfig> modules{ModuleAt(0, {10, 9, 0, 10}), ModuleAt(1, {10, 9, 0, 11}),
                                      DefaultModule(2)};
    auto farm = MakeFarm(modules);
    ASSERT_EQ(farm->start(), 0);
    EXPECT_EQ(AddressesOn(kAdapter),
              (std::set<std::string>{"10.9.0.1/24", "10.9.0.10/24", "10.9.0.11/24"}))
        << "127.0.0.0/8 is never claimed";
    EXPECT_EQ(StatusReplies({10, 9, 0, 10}), 1u);

    // Moving frees the old address and claims the new one, but an address
    // that was there before stays when its module leaves it.
    ASSERT_TRUE(Move(*farm, 0, modules[0], {10, 9, 0, 50}));
    ASSERT_TRUE(Move(*farm, 1, modules[1], {10, 9, 0, 51}));
    EXPECT_EQ(AddressesOn(kAdapter), (std::set<std::string>{"10.9.0.1/24", "10.9.0.11/24",
                                                            "10.9.0.50/24", "10.9.0.51/24"}));
    EXPECT_EQ(StatusReplies({10, 9, 0, 50}), 1u);
    EXPECT_EQ(StatusReplies({10, 9, 0, 51}), 1u);

    farm->stop();
    EXPECT_EQ(AddressesOn(kAdapter), (std::set<std::string>{"10.9.0.1/24", "10.9.0.11/24"}));
}

TEST_F(FarmAddressClaims, ModulesOfAnotherSubnetKeepTheirAddressesWhenTheFirstLeaves) {
    // The strict case: the first address of a subnet takes the others with it.
    for (const char* conf : {"all", "qvc0"}) {
        std::ofstream(std::string("/proc/sys/net/ipv4/conf/") + conf + "/promote_secondaries")
            << "0\n";
    }
    std::vector<ModuleConfig> modules{ModuleAt(0, {10, 8, 0, 10}), ModuleAt(1, {10, 8, 0, 11})};
    auto farm = MakeFarm(modules);
    ASSERT_EQ(farm->start(), 0);
    ASSERT_TRUE(Move(*farm, 0, modules[0], {10, 9, 0, 60}));
    EXPECT_EQ(AddressesOn(kAdapter),
              (std::set<std::string>{"10.9.0.1/24", "10.8.0.11/24", "10.9.0.60/24"}));
    EXPECT_EQ(StatusReplies({10, 8, 0, 11}), 1u);
    farm->stop();
    EXPECT_EQ(AddressesOn(kAdapter), (std::set<std::string>{"10.9.0.1/24"}));
}

TEST_F(FarmAddressClaims, StartFailsWhenAnAddressCannotBeClaimedAndLeavesNothingBehind) {
    {
        Farm farm({DefaultModule(0)});
        farm.claimAddressesOn(kAdapter);
        EXPECT_EQ(farm.start(), EINVAL) << "only with addresses outside 127.0.0.0/8 allowed";
    }
    {
        Farm farm({ModuleAt(0, {10, 9, 0, 10})});
        farm.allowAnyAddress(true);
        farm.claimAddressesOn("nosuch0");
        EXPECT_EQ(farm.start(), ENODEV);
    }
    {
        Farm farm({ModuleAt(0, {10, 9, 0, 10})});
        farm.allowAnyAddress(true);
        farm.claimAddressesOn("qvc1");
        EXPECT_EQ(farm.start(), EADDRNOTAVAIL) << "an adapter without a subnet of its own";
    }
    // The third module's address is no host's: those claimed before it go.
    auto farm = MakeFarm(
        {ModuleAt(0, {10, 9, 0, 10}), ModuleAt(1, {10, 9, 0, 11}), ModuleAt(2, {224, 0, 0, 9})});
    EXPECT_EQ(farm->start(), EADDRNOTAVAIL);
    EXPECT_EQ(AddressesOn(kAdapter), (std::set<std::string>{"10.9.0.1/24"}));
    EXPECT_EQ(StatusReplies({10, 9, 0, 10}), 0u);
}

}  // namespace
}  // namespace quelvar::sim
