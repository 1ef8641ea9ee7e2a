// Whether a module's new address lies where this PC reaches it: judged by the
// subnets of the adapter the module answers on, or of every LAN of the PC.
#include <gtest/gtest.h>

#include "ops/network_reach.h"

namespace quelvar::ops {
namespace {

platform::NetworkAdapter adapter(const char* name, platform::Ipv4Octets address, int prefix,
                                 bool loopback = false) {
    platform::NetworkAdapter entry;
    entry.name = name;
    entry.address = address;
    entry.prefixLength = prefix;
    entry.up = true;
    entry.loopback = loopback;
    entry.canBroadcast = !loopback;
    return entry;
}

TEST(NetworkReach, AnAddressOutsideTheModulesAdapterIsSaidWithItsSubnets) {
    const std::vector<platform::NetworkAdapter> adapters{
        adapter("lo", {127, 0, 0, 1}, 8, true), adapter("eth0", {192, 168, 1, 20}, 24),
        adapter("eth0", {172, 16, 5, 1}, 16), adapter("wlan0", {10, 20, 0, 9}, 16)};

    // By the module's adapter: another adapter's subnet does not help.
    auto outside = OutsideAfterChange({10, 20, 0, 5}, "eth0", adapters);
    ASSERT_TRUE(outside.has_value());
    EXPECT_EQ(outside->networks, "192.168.1.0/24 and 172.16.0.0/16 of eth0");
    EXPECT_EQ(OutsideWarning("02-00-5E-10-00-03", {10, 20, 0, 5}, *outside,
                             platform::Language::English),
              "after the change 02-00-5E-10-00-03 answers at 10.20.0.5, outside 192.168.1.0/24 "
              "and 172.16.0.0/16 of eth0: this PC reaches it only through a router and cannot "
              "confirm it");
    EXPECT_FALSE(OutsideAfterChange({172, 16, 200, 3}, "eth0", adapters).has_value());

    // Not knowing the adapter, every LAN of the PC counts, its loopback not.
    EXPECT_FALSE(OutsideAfterChange({10, 20, 0, 5}, "", adapters).has_value());
    auto anywhere = OutsideAfterChange({10, 99, 0, 5}, "", adapters);
    ASSERT_TRUE(anywhere.has_value());
    EXPECT_EQ(anywhere->networks, "192.168.1.0/24 and 172.16.0.0/16 of eth0, 10.20.0.0/16 of wlan0");

    // A module on the loopback network (the simulated ones) stays there.
    EXPECT_FALSE(OutsideAfterChange({127, 0, 0, 9}, "lo", adapters).has_value());
    // Nothing to judge by: nothing said.
    EXPECT_FALSE(OutsideAfterChange({10, 99, 0, 5}, "", {adapter("lo", {127, 0, 0, 1}, 8, true)})
                     .has_value());
}

}  // namespace
}  // namespace quelvar::ops
