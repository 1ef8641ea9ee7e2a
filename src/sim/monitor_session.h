#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <set>

#include "sim/link_connection.h"
#include "sim/module.h"

namespace quelvar::sim {

// What one monitor connection of a simulated module may touch. The farm owns
// all of it; `mutex` guards `config`, `received`, `recordsWritten`, `resets`
// and `replacements`.
struct MonitorContext {
    std::mutex& mutex;
    ModuleConfig& config;               // records live in config.records
    Bytes& received;                    // every byte the port received, appended
    std::set<int>& recordsWritten;      // numbers of the records taken since the last reset
    int& resets;                        // counts "RS" commands
    const int& replacements;            // modules replaced at this place so far
    const std::atomic<bool>& stopping;  // set when the farm stops
    // Called after "RS": the farm keeps the module silent for config.resetSilence.
    std::function<void()> onReset;
    // Called after storing record config.replacedAfterRecord: returns once
    // another module has taken this one's place (config is then its config).
    std::function<void()> onReplaced;
};

// Serves one accepted connection on port 9999 until the peer closes it, the
// module resets or is replaced, or the farm stops. Runs on its own thread; every wait in it
// is bounded so that a stopping farm is never held up for long.
// Closes the connection when it ends.
void RunMonitorSession(LinkConnection& connection, MonitorContext& context);

}  // namespace quelvar::sim
