#pragma once

#include <cstddef>

#include "platform/socket.h"

namespace quelvar::sim {

// The farm's shared discovery socket is bound to 0.0.0.0 so that it hears
// broadcasts; to tell a broadcast from a datagram addressed to one module it
// needs each datagram's destination address, which the platform socket does
// not report. These two calls add that, on the simulator's side only.

// Asks the kernel to report each datagram's destination address.
int EnableDestinationAddress(platform::Socket& socket);

// Like Socket::receiveFrom (a longer datagram fails with kMessageTooLong after
// filling the buffer), and also reports the address and port it was sent to.
int ReceiveWithDestination(platform::Socket& socket, void* buffer, std::size_t capacity,
                           std::size_t& received, platform::Ipv4Endpoint& from,
                           platform::Ipv4Endpoint& to);

}  // namespace quelvar::sim
