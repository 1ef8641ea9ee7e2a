#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "discovery/device_table.h"
#include "platform/socket.h"

namespace quelvar::discovery {

inline constexpr std::uint16_t kDiscoveryPort = 30718;
inline constexpr std::size_t kSearchReplySize = 30;   // longest search reply taken
inline constexpr std::size_t kStatusReplySize = 124;  // longest status reply taken
inline constexpr std::size_t kIpSetupSize = 20;

inline constexpr std::uint8_t kSearchCommand = 0xF6;
inline constexpr std::uint8_t kStatusCommand = 0xF8;
inline constexpr std::uint8_t kIpSetupCommand = 0xFC;

// 00 00 00 F6
std::array<std::uint8_t, 4> EncodeSearchRequest();
// 00 00 00 F8
std::array<std::uint8_t, 4> EncodeStatusQuery();
// 00 00 00 FC "IP-SETUP" 00 00 mac[4] mac[5] a b c d
std::array<std::uint8_t, kIpSetupSize> EncodeIpSetup(const std::array<std::uint8_t, 6>& mac,
                                                     const platform::Ipv4Octets& newAddress);

// Fills a device entry from a search reply of at most 30 bytes and the
// address it came from. Bytes the reply does not reach read as zero. Nothing
// is validated: any datagram becomes a device.
void DecodeSearchReply(std::span<const std::uint8_t> reply, const platform::Ipv4Endpoint& from,
                       DeviceEntry& entry);

}  // namespace quelvar::discovery
