#pragma once

#include <optional>
#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "platform/ipv4.h"
#include "platform/language.h"
#include "platform/network_adapters.h"

namespace quelvar::ops {

// Whether this PC reaches a module at a new address directly. Technicians
// often give modules the addresses of the plant's network while the laptop
// sits on another: outside every subnet of the adapter the module answers
// on, the PC reaches it only through a router, if at all, and cannot confirm
// the change. Known before anything is sent, so it is said then.
struct OutsideNetworks {
    // "192.168.1.0/24 of eth0", "192.168.1.0/24 and 10.0.0.0/8 of eth0, 10.9.0.0/16 of wlan0"
    std::string networks;
};

// Against the subnets of the adapter named `adapter` (the one the module's
// search reply came in on); when it is empty or unknown, of every adapter
// that is up, loopback aside. nullopt when the address lies inside them,
// or when no such adapter has an address to judge by.
std::optional<OutsideNetworks> OutsideAfterChange(const platform::Ipv4Octets& newAddress,
                                                  const std::string& adapter,
                                                  const std::vector<platform::NetworkAdapter>& adapters);

// The same for a module found by a search, with this machine's adapters.
std::optional<OutsideNetworks> OutsideAfterChange(const discovery::DeviceEntry& module,
                                                  const platform::Ipv4Octets& newAddress);

// "after the change 02-00-5E-10-00-03 answers at 10.20.0.5, outside
// 192.168.1.0/24 of eth0: this PC reaches it only through a router and
// cannot confirm it"; `module` is its MAC, or a row's name.
std::string OutsideWarning(const std::string& module, const platform::Ipv4Octets& newAddress,
                           const OutsideNetworks& outside, platform::Language language);

}  // namespace quelvar::ops
