#include "sim/module_datagrams.h"

#include <algorithm>
#include <cstring>

namespace quelvar::sim {

std::optional<std::uint8_t> CommandCode(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return std::nullopt;
    return data[3];
}

Bytes BuildSearchReply(const ModuleConfig& config, RandomStream& noise) {
    // Laid out on the full reply size, then cut or padded to the configured size.
    Bytes reply(std::max(config.searchReplySize, discovery::kSearchReplySize));
    for (std::size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<std::uint8_t>(noise.next());
    }
    reply[0] = 0;
    reply[1] = 0;
    reply[2] = 0;
    reply[3] = kSearchReplyCode;
    // The halves the tool ignores carry noise too: a reader that does not
    // mask them shows a wrong version.
    reply[6] = static_cast<std::uint8_t>(((config.versionMinor & 0x0F) << 4) | (reply[6] & 0x0F));
    reply[7] = static_cast<std::uint8_t>((reply[7] & 0xF0) | (config.versionMajor & 0x0F));
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
