#pragma once

// The machine's network adapters, as far as a search needs them: which IPv4
// adapters exist, which one the system would send a broadcast through, and
// waiting on one socket per adapter. A search request to 255.255.255.255
// leaves by one adapter only; to reach the modules behind every adapter the
// search opens one socket bound to each adapter's address (on Linux and on
// Windows alike, a limited broadcast from a socket bound to an adapter's
// address leaves by that adapter).

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace quelvar::platform {

// One IPv4 address of one adapter. An adapter with several addresses
// appears once per address, its first (primary) address first.
struct NetworkAdapter {
    std::string name;  // "eth0"; on Windows the adapter's friendly name
    Ipv4Octets address{};
    int prefixLength = 0;
    bool up = false;
    bool loopback = false;
    bool canBroadcast = false;  // the link carries broadcasts (not loopback, not point-to-point)

    // "10.1.0.1/24"
    std::string addressText() const {
        return Ipv4Endpoint{address, 0}.addressText() + "/" + std::to_string(prefixLength);
    }
};

// Whether `address` lies in the subnet of this adapter address.
bool inSubnetOf(const NetworkAdapter& adapter, const Ipv4Octets& address);

// Of `adapters`, the first address whose subnet holds `address` on an adapter
// that is up and carries broadcasts (not loopback, not point-to-point): a LAN
// this machine is attached to, where the station holding `address` answers
// address resolution itself. nullopt for an address reached only through a
// router, or on loopback.
std::optional<NetworkAdapter> adapterOnLinkWith(const Ipv4Octets& address,
                                                const std::vector<NetworkAdapter>& adapters);

// Every IPv4 address of every adapter, in the system's order. `error` is the
// system's error number when the list cannot be read (the list is then empty).
std::vector<NetworkAdapter> listNetworkAdapters(int& error);

// The local address the system would send a datagram to `destination` from,
// that is the adapter its routing picks; nothing is sent. nullopt when there
// is no route.
std::optional<Ipv4Octets> routeSourceFor(const Ipv4Octets& destination);

// Waits until at least one of `sockets` can be read without blocking, for at
// most `timeout`. `readable[i]` tells socket i; all false when the time ran
// out. 0 or the socket error number.
[[nodiscard]] int waitAnyReadable(std::span<Socket* const> sockets,
                                  std::chrono::milliseconds timeout, std::vector<bool>& readable);

// What a user without privileges can see of a host firewall that may drop
// the modules' replies: one short finding per line ("nftables is loaded"),
// empty when nothing is visible.
std::vector<std::string> visibleFirewallState();

// Whether the adapter drops datagrams whose source address it would not
// route back through itself (a strict reverse-path filter): replies from a
// module outside the adapter's subnets never reach the program then.
bool dropsRepliesFromOtherSubnets(const std::string& adapterName);

}  // namespace quelvar::platform
