#pragma once

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/retries.h"
#include "platform/launcher.h"

namespace quelvar::ops {

// Telnet and the web manager hand a module over to outside programs. Both
// first check that the module answers; the program is then aimed at
// `address`, which is the module's own unless the user typed another.
Outcome StartTelnet(const discovery::DeviceEntry& device, const platform::Ipv4Octets& address,
                    platform::Launcher& launcher, const Retries& retries, Events& events);
Outcome OpenWebManager(const discovery::DeviceEntry& device, const platform::Ipv4Octets& address,
                       platform::Launcher& launcher, const Retries& retries, Events& events);

}  // namespace quelvar::ops
