#pragma once

#include <chrono>

#include "discovery/device_table.h"
#include "monitor/telnet.h"
#include "monitor/transfer_hooks.h"
#include "ops/events.h"
#include "ops/retries.h"

namespace quelvar::ops {

// A transfer's trace and records go to the events; its pauses are plain
// sleeps of the calling thread.
monitor::TransferHooks HooksFor(Events& events);

// The monitor connections one operation opens to one module, each on a
// fresh TCP connection, with the trace texts both transfers share
// ("telnet:start.connect.success.\r\n" and what `afterMode` / `afterRequest`
// add between the entry's steps).
//
// With Retries::monitorEntries above one, an entry that fails before
// anything was written on its connection is made again on a fresh one, and
// a connection refused while the module restarts after a reset is asked for
// again for a while. Once a try has failed, the link has shown itself lossy:
// later tries, and whatever the operation makes again whole, let a module's
// answers come later (Retries::lossyLateAnswer), for TCP's retransmissions
// after time-outs that double.
class MonitorLink {
  public:
    // A link a search or a check has shown lossy (Retries::linkShownLossy)
    // is lossy from the first try on.
    MonitorLink(const discovery::DeviceEntry& device, const Retries& retries, Events& events)
        : device_(device), retries_(retries), events_(events), lossy_(retries.linkShownLossy) {}

    // Connects and enters the monitor mode. 0, or the result of the last
    // try, reported as a socket failure; nothing stays open then.
    int enter(monitor::TelnetSocket& socket, const char* afterMode, const char* afterRequest);

    // Something on an open connection failed: the link has shown itself lossy.
    void failed() { lossy_ = true; }

  private:
    int enterOnce(monitor::TelnetSocket& socket, const char* afterMode, const char* afterRequest);

    const discovery::DeviceEntry& device_;
    const Retries& retries_;
    Events& events_;
    bool lossy_;
};

}  // namespace quelvar::ops
