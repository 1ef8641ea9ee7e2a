// Addresses as people type them: MAC addresses and dotted decimal.
#include <gtest/gtest.h>

#include "discovery/address_range.h"
#include "discovery/device_table.h"
#include "platform/ipv4.h"

namespace quelvar {
namespace {

TEST(Addresses, MacAndStrictDottedDecimal) {
    discovery::MacAddress expected{0x02, 0x00, 0x5E, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(discovery::ParseMac("02-00-5E-AB-CD-EF"), expected);
    EXPECT_EQ(discovery::ParseMac("02:00:5e:ab:cd:ef"), expected);
    EXPECT_EQ(discovery::ParseMac("02-00:5e-Ab:cD-eF"), expected);
    for (const char* bad : {"02-00-5E-AB-CD", "02-00-5E-AB-CD-EF-01", "02-00-5E-AB-CD-EG",
                            "0200-5E-AB-CD-EF-", "02.00.5E.AB.CD.EF", "2-0-5E-AB-CD-EF", ""}) {
        EXPECT_FALSE(discovery::ParseMac(bad)) << bad;
    }

    EXPECT_EQ(platform::parseIpv4("127.0.0.2"), (platform::Ipv4Octets{127, 0, 0, 2}));
    EXPECT_EQ(platform::parseIpv4("255.255.255.255"), (platform::Ipv4Octets{255, 255, 255, 255}));
    for (const char* bad : {"127.0.0", "127.0.0.2.1", "256.0.0.1", "127.0.0.02", "0x7f.0.0.1",
                            "127..0.1", " 127.0.0.1", "127.0.0.1 ", "1270.0.0.1", ""}) {
        EXPECT_FALSE(platform::parseIpv4(bad)) << bad;
    }

    EXPECT_TRUE(discovery::IsModuleAddress({127, 0, 0, 2}));
    for (platform::Ipv4Octets none : {platform::Ipv4Octets{0, 0, 0, 0},
                                      platform::Ipv4Octets{255, 255, 255, 255},
                                      platform::Ipv4Octets{224, 0, 0, 1}}) {
        EXPECT_FALSE(discovery::IsModuleAddress(none));
    }
}

TEST(Addresses, RangesAsATechnicianWritesThem) {
    discovery::RangeError why;
    auto range = discovery::ParseAddressRange("10.0.0.254-10.0.1.1", why);
    ASSERT_TRUE(range) << why.text;
    EXPECT_EQ(*range, (std::vector<platform::Ipv4Octets>{
                          {10, 0, 0, 254}, {10, 0, 0, 255}, {10, 0, 1, 0}, {10, 0, 1, 1}}));
    // A block without its network and broadcast address; /31 and /32 whole.
    range = discovery::ParseAddressRange("192.168.5.77/24", why);
    ASSERT_TRUE(range) << why.text;
    EXPECT_EQ(range->size(), 254u);
    EXPECT_EQ(range->front(), (platform::Ipv4Octets{192, 168, 5, 1}));
    EXPECT_EQ(range->back(), (platform::Ipv4Octets{192, 168, 5, 254}));
    EXPECT_EQ(discovery::ParseAddressRange("10.1.2.3/32", why)->size(), 1u);
    EXPECT_EQ(discovery::ParseAddressRange("10.1.2.2/31", why)->size(), 2u);
    EXPECT_EQ(discovery::ParseAddressRange("10.16.0.0/20", why)->size(), 4094u);

    for (const char* bad : {"10.0.0.9-10.0.0.1", "10.0.0.0/19", "10.0.0.0-10.0.16.0", "10.0.0.1",
                            "10.0.0.1-", "10.0.0.0/33", "10.0.0.0/x", "0x0a.0.0.1-10.0.0.2", ""}) {
        why = {};
        EXPECT_FALSE(discovery::ParseAddressRange(bad, why)) << bad;
        EXPECT_EQ(why.text, bad);
    }
}

}  // namespace
}  // namespace quelvar
