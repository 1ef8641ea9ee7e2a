// Who answers at one address: status queries and addressed search requests
// side by side, the tries a few hundred milliseconds apart, so that several
// tries cost little more than one.
#include "discovery/probe.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "discovery/datagrams.h"
#include "discovery/discovery_socket.h"
#include "discovery/search.h"
#include "platform/network_adapters.h"

namespace quelvar::discovery {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// After the first search reply, a moment for a second module at the same
// address (two modules that left the factory alike) to answer too.
constexpr auto kSecondReply = 200ms;

void keepModule(Probe& probe, const DeviceEntry& entry) {
    for (const DeviceEntry& kept : probe.modules) {
        if (kept.mac == entry.mac) return;
    }
    probe.modules.push_back(entry);
}

}  // namespace

Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries) {
    Probe probe;
    if (tries == 0) return probe;
    int error = 0;
    platform::Socket status = OpenDiscoverySocket(error);
    if (error != 0) return probe;
    platform::Socket search = OpenDiscoverySocket(error);
    if (error != 0) return probe;
    const platform::Ipv4Endpoint target{address, kDiscoveryPort};
    const auto query = EncodeStatusQuery();
    const auto request = EncodeSearchRequest();
    auto sendBoth = [&] {
        // A lost request shows as the missing reply.
        static_cast<void>(status.sendTo(query.data(), query.size(), target));
        static_cast<void>(search.sendTo(request.data(), request.size(), target));
    };

    std::array<platform::Socket*, 2> waited{&status, &search};
    std::vector<bool> readable;
    unsigned sent = 0;
    Clock::time_point nextTry = Clock::now();
    Clock::time_point end = nextTry;
    // Bounded by time; each pass sends, reads at least one datagram, or ends.
    for (int pass = 0; pass < 1024; ++pass) {
        const Clock::time_point now = Clock::now();
        if (sent < tries && probe.modules.empty() && now >= nextTry) {
            sendBoth();
            ++sent;
            nextTry = now + kProbeSpacing;
            end = now + kDiscoveryTimeout;  // replies to the last try get the full second
        }
        Clock::time_point until = end;
        if (sent < tries && probe.modules.empty()) until = std::min(until, nextTry);
        auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        if (left <= 0ms) {
            if (Clock::now() >= end) break;
            continue;
        }
        if (platform::waitAnyReadable(waited, left, readable) != 0) break;
        if (readable[0]) {
            std::array<std::uint8_t, kStatusReplySize> reply{};
            std::size_t received = 0;
            platform::Ipv4Endpoint from;
            if (status.receiveFrom(reply.data(), reply.size(), received, from) == 0) {
                probe.statusAnswered = true;
            }
        }
        if (readable[1]) {
            DeviceEntry entry;
            // Only a reply from the address asked counts as the module there.
            if (ReceiveSearchReply(search, entry) && entry.address.octets == address) {
                keepModule(probe, entry);
                end = std::min(end, Clock::now() + kSecondReply);
            }
        }
    }
    return probe;
}

}  // namespace quelvar::discovery
