#pragma once

#include <string>

namespace quelvar::discovery {

// One status query to port 30718 of the address: 0 when any reply of at most
// 124 bytes arrived within a second, else the failing step's error number.
// Only dotted-decimal texts are taken; anything else fails without sending.
[[nodiscard]] int QueryDevice(const std::string& addressText);

// Up to `attempts` status queries, with a one-second pause after every failed
// one; true as soon as one is answered.
[[nodiscard]] bool PingDevice(const std::string& addressText, unsigned attempts);

}  // namespace quelvar::discovery
