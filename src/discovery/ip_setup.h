#pragma once

#include "discovery/device_table.h"
#include "platform/socket.h"

namespace quelvar::discovery {

// Sends the IP-SETUP command for `device` once, to the address and port its
// search reply came from. Nothing answers it; the result is the send's.
[[nodiscard]] int SendIpSetup(platform::Socket& socket, const DeviceEntry& device,
                              const platform::Ipv4Octets& newAddress);

}  // namespace quelvar::discovery
