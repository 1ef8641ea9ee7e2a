#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "discovery/datagrams.h"
#include "sim/module.h"
#include "sim/random_stream.h"

namespace quelvar::sim {

// Codes the simulated modules put in byte 3 of their own answers. The tool
// never reads them; they only make captured traffic easy to read.
inline constexpr std::uint8_t kSearchReplyCode = 0xF7;
inline constexpr std::uint8_t kStatusReplyCode = 0xF9;

inline constexpr std::uint16_t kWebPort = 80;

// The command code of a datagram, or nullopt when it is shorter than its header.
std::optional<std::uint8_t> CommandCode(const std::uint8_t* data, std::size_t size);

// The module's search reply: config.searchReplySize bytes with the version
// halves in bytes 6 and 7, the product letters in 8 and 9 and the MAC in 24 to
// 29. Every other byte after the header (and the other half of each version
// byte) is from `noise`, new on every reply: nothing else in it is promised.
Bytes BuildSearchReply(const ModuleConfig& config, RandomStream& noise);

// The module's status reply: config.statusReplySize bytes, the 4-byte header
// and then bytes from `noise`. The tool only counts on its arrival, so the
// module says nothing else there: no MAC, no fixed pattern, new bytes on
// every reply.
Bytes BuildStatusReply(const ModuleConfig& config, RandomStream& noise);

// The new address carried by an IP-SETUP command meant for this module, or
// nullopt when the datagram is not a well-formed IP-SETUP command or names
// other last MAC bytes.
std::optional<platform::Ipv4Octets> IpSetupAddressFor(const ModuleConfig& config,
                                                      const std::uint8_t* data, std::size_t size);

// An address as one number, first octet highest: for ordering and counting.
std::uint32_t AddressNumber(const platform::Ipv4Octets& address);

// True for 127.0.0.0/8, the only addresses a simulated module may hold.
bool IsLoopbackAddress(const platform::Ipv4Octets& address);

}  // namespace quelvar::sim
