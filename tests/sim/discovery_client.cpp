#include "discovery_client.h"

#include <sys/socket.h>

#include <cstring>

namespace quelvar::sim::testing {

DiscoveryClient::DiscoveryClient() {
    int error = 0;
    socket_ = platform::Socket::openUdp(error);
    static_cast<void>(socket_.setBroadcast(true));
    int size = 4 << 20;  // the kernel caps it at net.core.rmem_max
    ::setsockopt(socket_.native(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

int DiscoveryClient::send(const Bytes& datagram, const platform::Ipv4Endpoint& to) {
    return socket_.sendTo(datagram.data(), datagram.size(), to);
}

std::vector<Reply> DiscoveryClient::receiveUntilQuiet(std::chrono::milliseconds quiet,
                                                      std::chrono::milliseconds limit) {
    std::vector<Reply> replies;
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        auto reply = receiveOne(quiet);
        if (!reply) break;
        replies.push_back(std::move(*reply));
    }
    return replies;
}

std::optional<Reply> DiscoveryClient::receiveOne(std::chrono::milliseconds limit) {
    bool readable = false;
    if (socket_.waitReadable(limit, readable) != 0 || !readable) return std::nullopt;
    Reply reply;
    reply.bytes.resize(2048);
    std::size_t size = 0;
    if (socket_.receiveFrom(reply.bytes.data(), reply.bytes.size(), size, reply.from) != 0) {
        return std::nullopt;
    }
    reply.bytes.resize(size);
    return reply;
}

Bytes SearchRequest() {
    return {0, 0, 0, 0xF6};
}

Bytes StatusQuery() {
    return {0, 0, 0, 0xF8};
}

Bytes IpSetupCommand(std::uint8_t mac4, std::uint8_t mac5, const platform::Ipv4Octets& address) {
    Bytes command(20, 0);
    command[3] = 0xFC;
    std::memcpy(&command[4], "IP-SETUP", 8);
    command[14] = mac4;
    command[15] = mac5;
    std::copy(address.begin(), address.end(), command.begin() + 16);
    return command;
}

}  // namespace quelvar::sim::testing
