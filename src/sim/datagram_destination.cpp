#include "sim/datagram_destination.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace quelvar::sim {

int EnableDestinationAddress(platform::Socket& socket) {
    int on = 1;
    return ::setsockopt(socket.native(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0 ? 0 : errno;
}

int ReceiveWithDestination(platform::Socket& socket, void* buffer, std::size_t capacity,
                           std::size_t& received, platform::Ipv4Endpoint& from,
                           platform::Ipv4Endpoint& to) {
    received = 0;
    sockaddr_in source{};
    iovec part{buffer, capacity};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t count = ::recvmsg(socket.native(), &message, MSG_TRUNC);
    if (count < 0) return errno == EAGAIN ? platform::socket_error::kTimedOut : errno;

    std::memcpy(from.octets.data(), &source.sin_addr.s_addr, 4);
    from.port = ntohs(source.sin_port);
    to = socket.localEndpoint();
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            std::memcpy(to.octets.data(), &info.ipi_addr.s_addr, 4);
        }
    }
    if (static_cast<std::size_t>(count) > capacity) {
        received = capacity;
        return platform::socket_error::kMessageTooLong;
    }
    received = static_cast<std::size_t>(count);
    return 0;
}

}  // namespace quelvar::sim
