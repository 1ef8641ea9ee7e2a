// Network adapters on POSIX: getifaddrs for the list, a connected UDP socket
// to learn the routing's choice, poll for the wait, and /proc and /sys for
// what a firewall shows of itself without privileges.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/network_adapters.h"

namespace quelvar::platform {

namespace {

Ipv4Octets octetsOf(const sockaddr* address) {
    Ipv4Octets octets{};
    std::memcpy(octets.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr, 4);
    return octets;
}

int prefixOf(const sockaddr* netmask) {
    if (netmask == nullptr || netmask->sa_family != AF_INET) return 32;
    std::uint32_t mask = ntohl(reinterpret_cast<const sockaddr_in*>(netmask)->sin_addr.s_addr);
    return std::popcount(mask);
}

// The first line of a small text file; empty when it cannot be read.
std::string firstLine(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

}  // namespace

std::vector<NetworkAdapter> listNetworkAdapters(int& error) {
    error = 0;
    std::vector<NetworkAdapter> adapters;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        error = errno;
        return adapters;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        NetworkAdapter adapter;
        adapter.name = entry->ifa_name;
        adapter.address = octetsOf(entry->ifa_addr);
        adapter.prefixLength = prefixOf(entry->ifa_netmask);
        adapter.up = (entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_RUNNING) != 0;
        adapter.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        adapter.canBroadcast = (entry->ifa_flags & IFF_BROADCAST) != 0 && !adapter.loopback;
        adapters.push_back(std::move(adapter));
    }
    ::freeifaddrs(list);
    return adapters;
}

int waitAnyReadable(std::span<Socket* const> sockets, std::chrono::milliseconds timeout,
                    std::vector<bool>& readable) {
    readable.assign(sockets.size(), false);
    std::vector<pollfd> entries(sockets.size());
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        entries[i].fd = sockets[i]->native();
        entries[i].events = POLLIN;
    }
    int result;
    do {
        result = ::poll(entries.data(), entries.size(), static_cast<int>(timeout.count()));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return errno;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // An error condition counts as readable: the receive then reports it.
        readable[i] = (entries[i].revents & (POLLIN | POLLERR)) != 0;
    }
    return 0;
}

std::vector<std::string> visibleFirewallState() {
    std::vector<std::string> findings;
    // The iptables tables of this network namespace (readable by root only).
    std::ifstream tables("/proc/net/ip_tables_names");
    std::string names, name;
    while (tables >> name) names += (names.empty() ? "" : ", ") + name;
    if (!names.empty()) findings.push_back("iptables tables are in use (" + names + ")");

    std::error_code ignored;
    if (std::filesystem::exists("/sys/module/nf_tables", ignored)) {
        findings.push_back("nftables is loaded");
    }
    std::ifstream ufw("/etc/ufw/ufw.conf");
    for (std::string line; std::getline(ufw, line);) {
        if (line == "ENABLED=yes") findings.push_back("ufw is enabled");
    }
    if (std::filesystem::exists("/run/firewalld", ignored)) {
        findings.push_back("firewalld is running");
    }
    return findings;
}

bool dropsRepliesFromOtherSubnets(const std::string& adapterName) {
    // The kernel applies the larger of the adapter's and the global setting; 1 is strict.
    if (adapterName.empty() || adapterName.find('/') != std::string::npos) return false;
    std::filesystem::path conf = "/proc/sys/net/ipv4/conf";
    std::string own = firstLine(conf / adapterName / "rp_filter");
    std::string all = firstLine(conf / "all" / "rp_filter");
    return std::max(own, all) == "1";  // single digits 0, 1, 2: 2 (loose) wins over 1
}

}  // namespace quelvar::platform
