#include "sim/module_datagrams.h"

#include <algorithm>
#include <cstring>

namespace quelvar::sim {

namespace {

// A byte derived from the MAC, for the fields whose contents are the module's own.
std::uint8_t Filler(const ModuleConfig& config, std::size_t position) {
    return static_cast<std::uint8_t>(config.mac[5] * 13 + config.mac[4] * 7 + position * 29 + 0x41);
}

}  // namespace

std::optional<std::uint8_t> CommandCode(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return std::nullopt;
    return data[3];
}

Bytes BuildSearchReply(const ModuleConfig& config) {
    // Laid out on the full reply size, then cut or padded to the configured size.
    Bytes reply(std::max(config.searchReplySize, discovery::kSearchReplySize));
    for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = Filler(config, i);
    reply[0] = 0;
    reply[1] = 0;
    reply[2] = 0;
    reply[3] = kSearchReplyCode;
    // The halves the tool ignores carry noise on purpose: a reader that does
    // not mask them shows a wrong version.
    std::uint8_t noise = static_cast<std::uint8_t>((config.mac[5] & 0x0F) | 0x05);
    reply[6] = static_cast<std::uint8_t>(((config.versionMinor & 0x0F) << 4) | noise);
    reply[7] = static_cast<std::uint8_t>((noise << 4) | (config.versionMajor & 0x0F));
    reply[8] = static_cast<std::uint8_t>(config.productLetters[0]);
    reply[9] = static_cast<std::uint8_t>(config.productLetters[1]);
    std::copy(config.mac.begin(), config.mac.end(), reply.begin() + 24);
    reply.resize(config.searchReplySize);
    return reply;
}

Bytes BuildStatusReply(const ModuleConfig& config, RandomStream& noise) {
    Bytes reply(config.statusReplySize);
    for (std::size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<std::uint8_t>(noise.next());
    }
    const std::uint8_t header[] = {0, 0, 0, kStatusReplyCode};
    std::copy_n(header, std::min(reply.size(), sizeof header), reply.begin());
    return reply;
}

std::optional<platform::Ipv4Octets> IpSetupAddressFor(const ModuleConfig& config,
                                                      const std::uint8_t* data, std::size_t size) {
    if (size < discovery::kIpSetupSize || data[3] != discovery::kIpSetupCommand) {
        return std::nullopt;
    }
    if (std::memcmp(data + 4, "IP-SETUP", 8) != 0) return std::nullopt;
    if (data[14] != config.mac[4] || data[15] != config.mac[5]) return std::nullopt;
    return platform::Ipv4Octets{data[16], data[17], data[18], data[19]};
}

std::uint32_t AddressNumber(const platform::Ipv4Octets& address) {
    return (std::uint32_t{address[0]} << 24) | (std::uint32_t{address[1]} << 16) |
           (std::uint32_t{address[2]} << 8) | std::uint32_t{address[3]};
}

bool IsLoopbackAddress(const platform::Ipv4Octets& address) {
    return address[0] == 127;
}

}  // namespace quelvar::sim
