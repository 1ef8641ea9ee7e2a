#pragma once

#include <optional>
#include <string>

#include "discovery/device_table.h"

namespace quelvar::discovery {

// One status query to port 30718 of the address: 0 when any reply of at most
// 124 bytes arrived within a second, else the failing step's error number.
// Only dotted-decimal texts are taken; anything else fails without sending.
// `answeringMac`, when given, receives the MAC address the reply carries
// (bytes 24 to 29; none for a reply too short to hold it).
[[nodiscard]] int QueryDevice(const std::string& addressText,
                              std::optional<MacAddress>* answeringMac = nullptr);

// Up to `attempts` status queries, with a one-second pause after every failed
// one; true as soon as one is answered. With `onlyFrom`, an answer that
// carries another module's MAC address counts as no answer: after a module
// moved or restarted, another module at the same address is not it.
[[nodiscard]] bool PingDevice(const std::string& addressText, unsigned attempts,
                              const MacAddress* onlyFrom = nullptr);

}  // namespace quelvar::discovery
