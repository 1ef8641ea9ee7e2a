#include "discovery/datagrams.h"

#include <algorithm>
#include <cstring>

namespace quelvar::discovery {

std::array<std::uint8_t, 4> EncodeSearchRequest() { return {0, 0, 0, kSearchCommand}; }

std::array<std::uint8_t, 4> EncodeStatusQuery() { return {0, 0, 0, kStatusCommand}; }

std::array<std::uint8_t, kIpSetupSize> EncodeIpSetup(const std::array<std::uint8_t, 6>& mac,
                                                     const platform::Ipv4Octets& newAddress) {
    std::array<std::uint8_t, kIpSetupSize> command{};
    command[3] = kIpSetupCommand;
    std::memcpy(&command[4], "IP-SETUP", 8);
    command[14] = mac[4];
    command[15] = mac[5];
    std::copy(newAddress.begin(), newAddress.end(), command.begin() + 16);
    return command;
}

void DecodeSearchReply(std::span<const std::uint8_t> reply, const platform::Ipv4Endpoint& from,
                       DeviceEntry& entry) {
    std::array<std::uint8_t, kSearchReplySize> bytes{};
    std::copy_n(reply.begin(), std::min(reply.size(), bytes.size()), bytes.begin());

    entry.address = from;
    std::copy_n(bytes.begin() + 24, 6, entry.mac.begin());
    entry.ipText = from.addressText();
    // The first part of the version is the lower half of the later byte.
    entry.versionMajor = static_cast<std::uint8_t>(bytes[7] & 0x0F);
    entry.versionMinor = static_cast<std::uint8_t>(bytes[6] >> 4);
    entry.productLetters = {static_cast<char>(bytes[8]), static_cast<char>(bytes[9])};
    entry.replyWord = {bytes[22], bytes[23]};
}

}  // namespace quelvar::discovery
