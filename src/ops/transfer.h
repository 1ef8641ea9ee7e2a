#pragma once

#include "discovery/device_table.h"
#include "monitor/telnet.h"
#include "monitor/transfer_hooks.h"
#include "ops/events.h"

namespace quelvar::ops {

// A transfer's trace and records go to the events; its pauses are plain
// sleeps of the calling thread.
monitor::TransferHooks HooksFor(Events& events);

// Connects to the module's monitor port and enters monitor mode, with the
// trace texts both transfers share ("telnet:start.connect.success.\r\n" and
// what `afterMode` / `afterRequest` add between the entry's steps). On a
// failure it is reported and its code returned; nothing stays open.
// `lateAnswer`: how late the module's answers may come (Retries::lateAnswer).
int OpenMonitor(monitor::TelnetSocket& socket, const discovery::DeviceEntry& device,
                std::chrono::milliseconds lateAnswer, Events& events, const char* afterMode,
                const char* afterRequest);

}  // namespace quelvar::ops
