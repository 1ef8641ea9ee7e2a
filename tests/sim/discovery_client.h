#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/socket.h"
#include "sim/module.h"

namespace quelvar::sim::testing {

struct Reply {
    platform::Ipv4Endpoint from;
    Bytes bytes;  // the whole datagram, however long
};

// The tool's side of the discovery port, reduced to what the farm's tests
// need: an unbound datagram socket that may broadcast, with a receive buffer
// large enough to hold hundreds of replies while the test is not reading.
class DiscoveryClient {
  public:
    DiscoveryClient();

    int send(const Bytes& datagram, const platform::Ipv4Endpoint& to);
    // Every datagram that arrives until `quiet` passes without one, waiting
    // at most `limit` in all.
    std::vector<Reply> receiveUntilQuiet(std::chrono::milliseconds quiet,
                                         std::chrono::milliseconds limit = std::chrono::seconds(5));
    // The next datagram, if one arrives within `limit`.
    std::optional<Reply> receiveOne(std::chrono::milliseconds limit);

  private:
    platform::Socket socket_;
};

Bytes SearchRequest();
Bytes StatusQuery();
Bytes IpSetupCommand(std::uint8_t mac4, std::uint8_t mac5, const platform::Ipv4Octets& address);

inline const platform::Ipv4Endpoint kBroadcast{{255, 255, 255, 255}, 30718};

}  // namespace quelvar::sim::testing
