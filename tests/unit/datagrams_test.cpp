#include <gtest/gtest.h>

#include "discovery/datagrams.h"

namespace quelvar::discovery {
namespace {

TEST(Datagrams, RequestsAreHeaderAndCommandCode) {
    EXPECT_EQ(EncodeSearchRequest(), (std::array<std::uint8_t, 4>{0, 0, 0, 0xF6}));
    EXPECT_EQ(EncodeStatusQuery(), (std::array<std::uint8_t, 4>{0, 0, 0, 0xF8}));
}

TEST(Datagrams, IpSetupMatchesTheWorkedExample) {
    auto command = EncodeIpSetup({0x02, 0x00, 0x00, 0x11, 0x22, 0x33}, {192, 168, 1, 50});
    std::array<std::uint8_t, 20> expected = {0x00, 0x00, 0x00, 0xFC, 0x49, 0x50, 0x2D,
                                             0x53, 0x45, 0x54, 0x55, 0x50, 0x00, 0x00,
                                             0x22, 0x33, 0xC0, 0xA8, 0x01, 0x32};
    EXPECT_EQ(command, expected);
}

}  // namespace
}  // namespace quelvar::discovery
