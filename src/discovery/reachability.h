#pragma once

#include "platform/ipv4.h"

namespace quelvar::discovery {

// One status query to port 30718 of the address: 0 when any reply of at most
// 124 bytes arrived within a second, else the failing step's error number.
// Only the reply's arrival counts: its contents promise nothing, not even
// which module sent it (a module is known by its search reply alone).
[[nodiscard]] int QueryDevice(const platform::Ipv4Octets& address);

// Up to `attempts` status queries, with a one-second pause after every failed
// one; true as soon as one is answered.
[[nodiscard]] bool PingDevice(const platform::Ipv4Octets& address, unsigned attempts);

}  // namespace quelvar::discovery
