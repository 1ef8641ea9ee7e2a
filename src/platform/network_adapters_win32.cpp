// The adapter list on Windows: GetAdaptersAddresses, and WSAPoll for waiting.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/network_adapters.h"
#include "platform/utf8.h"

namespace quelvar::platform {

std::vector<NetworkAdapter> listNetworkAdapters(int& error) {
    std::vector<NetworkAdapter> adapters;
    error = 0;
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<std::uint8_t> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    // The list can grow between the call that sizes it and the one that fills it.
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = ::GetAdaptersAddresses(AF_INET, flags, nullptr,
                                        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                        &size);
    }
    if (result == ERROR_NO_DATA) return adapters;
    if (result != NO_ERROR) {
        error = static_cast<int>(result);
        return adapters;
    }
    for (auto* entry = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); entry != nullptr;
         entry = entry->Next) {
        const bool loopback = entry->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        const bool pointToPoint = entry->IfType == IF_TYPE_PPP || entry->IfType == IF_TYPE_TUNNEL;
        for (IP_ADAPTER_UNICAST_ADDRESS* unicast = entry->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET) continue;
            const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
            NetworkAdapter adapter;
            adapter.name = utf8FromWide(entry->FriendlyName != nullptr ? entry->FriendlyName : L"");
            std::memcpy(adapter.address.data(), &ipv4->sin_addr, 4);
            adapter.prefixLength = unicast->OnLinkPrefixLength;
            adapter.up = entry->OperStatus == IfOperStatusUp;
            adapter.loopback = loopback;
            adapter.canBroadcast = !loopback && !pointToPoint;
            adapters.push_back(std::move(adapter));
        }
    }
    return adapters;
}

int waitAnyReadable(std::span<Socket* const> sockets, std::chrono::milliseconds timeout,
                    std::vector<bool>& readable) {
    readable.assign(sockets.size(), false);
    std::vector<WSAPOLLFD> entries(sockets.size());
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        entries[i].fd = static_cast<SOCKET>(sockets[i]->native());
        entries[i].events = POLLRDNORM;
    }
    int result = ::WSAPoll(entries.data(), static_cast<ULONG>(entries.size()),
                           static_cast<INT>(timeout.count()));
    if (result == SOCKET_ERROR) return ::WSAGetLastError();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // An error condition counts as readable: the receive then reports it.
        readable[i] = (entries[i].revents & (POLLRDNORM | POLLERR | POLLHUP)) != 0;
    }
    return 0;
}

// Windows has no strict reverse-path filter on its adapters.
bool dropsRepliesFromOtherSubnets(const std::string&) {
    return false;
}

}  // namespace quelvar::platform
