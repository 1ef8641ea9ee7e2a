#include <gtest/gtest.h>

#include "discovery/datagrams.h"
#include "discovery/device_details.h"
#include "discovery/device_table.h"

namespace quelvar::discovery {
namespace {

std::array<std::uint8_t, 30> replyWith(std::uint8_t byte6, std::uint8_t byte7, char a, char b) {
    std::array<std::uint8_t, 30> reply{};
    reply[6] = byte6;
    reply[7] = byte7;
    reply[8] = static_cast<std::uint8_t>(a);
    reply[9] = static_cast<std::uint8_t>(b);
    reply[22] = 0xAB;
    reply[23] = 0xCD;
    const std::uint8_t mac[6] = {0x02, 0x00, 0x00, 0x11, 0x22, 0x33};
    std::copy(std::begin(mac), std::end(mac), reply.begin() + 24);
    return reply;
}

TEST(SearchReply, VersionHalvesComeFromDifferentBytes) {
    DeviceEntry entry;
    auto reply = replyWith(0x1F, 0xF6, 'A', 'B');
    DecodeSearchReply(reply, {{192, 168, 0, 10}, 30718}, entry);
    EXPECT_EQ(entry.versionMajor, 6);  // lower half of byte 7
    EXPECT_EQ(entry.versionMinor, 1);  // upper half of byte 6
    EXPECT_EQ(entry.ipText, "192.168.0.10");
    EXPECT_EQ(entry.address.port, 30718);
    EXPECT_EQ(entry.replyWord, (std::array<std::uint8_t, 2>{0xAB, 0xCD}));
    EXPECT_EQ(FormatDeviceLine(entry), "02-00-00-11-22-33 - 192.168.0.10 - AB - 6.1");
}

TEST(SearchReply, ShortReplyLeavesUnreachedFieldsZero) {
    DeviceEntry entry;
    entry.mac = {9, 9, 9, 9, 9, 9};
    std::array<std::uint8_t, 8> reply{0, 0, 0, 0, 0, 0, 0x20, 0x03};
    DecodeSearchReply(reply, {{10, 0, 0, 1}, 30718}, entry);
    EXPECT_EQ(FormatDeviceLine(entry), "00-00-00-00-00-00 - 10.0.0.1 - __ - 3.2");
}

TEST(DeviceLine, UnprintableOrPathLettersStayOnOneLine) {
    DeviceEntry entry;
    entry.ipText = "127.0.0.2";
    for (auto letters : {std::array<char, 2>{'\n', '\r'}, std::array<char, 2>{'/', '\\'},
                         std::array<char, 2>{'\0', '\x7F'}, std::array<char, 2>{':', '\xC3'}}) {
        entry.productLetters = letters;
        std::string line = FormatDeviceLine(entry);
        EXPECT_EQ(line, "00-00-00-00-00-00 - 127.0.0.2 - __ - 0.0");
    }
    entry.productLetters = {'x', ' '};
    EXPECT_EQ(FormatDeviceLine(entry), "00-00-00-00-00-00 - 127.0.0.2 - x  - 0.0");
}

TEST(DeviceDetails, PinAndBaudTables) {
    EXPECT_EQ(PinName(0), "CTS");
    EXPECT_EQ(PinName(10), "LED1");
    EXPECT_EQ(PinName(11), "LED3");
    EXPECT_EQ(PinName(12), "?");
    EXPECT_EQ(PinName(-1), "?");
    const int expected[] = {38400, 19200, 9600,   4800,   2400,   1200,  600,
                            300,   115200, 57600, 230400, 460800, 921600};
    for (int code = 0; code < 13; ++code) EXPECT_EQ(BaudRate(code), expected[code]) << code;
    EXPECT_EQ(BaudRate(13), 0);
}

TEST(DeviceTable, RowsBeyondTheLastSearchAreNotSelectable) {
    DeviceTable table;
    table.count = 2;
    EXPECT_NE(table.rowAt(1), nullptr);
    EXPECT_EQ(table.rowAt(2), nullptr);
    EXPECT_EQ(table.rowAt(-1), nullptr);
    table.reset();
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.rowAt(0), nullptr);
    EXPECT_EQ(table.rows[5].reservedByte, 0xFF);
    EXPECT_EQ(table.rows[5].reservedA, -1);
    EXPECT_EQ(table.rows[5].reservedB, 1000);
}

}  // namespace
}  // namespace quelvar::discovery
