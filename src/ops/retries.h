#pragma once

#include <chrono>

#include "monitor/telnet.h"

namespace quelvar::ops {

// How hard the operations try before they give up. The window keeps the
// single tries it has always made. The console and commissioning are used
// over Wi-Fi and VPNs and by scripts that must be able to rely on their
// outcome, so they try again where one lost datagram would otherwise decide.
struct Retries {
    // Status queries of the check that a module answers before an operation.
    // One is the window's: a query, its second, and a second's pause when it
    // went unanswered. More go 300 ms apart from one socket and the check
    // ends at the first reply: eight take about three and a half seconds when
    // none comes, and at 20 % loss each way one check in 3500 goes unanswered
    // (three, as one second apart, one in twenty).
    unsigned reachabilityAttempts = 1;
    // Search requests: the request goes out again while a round brings
    // modules not seen before, up to this many in all.
    int searchRounds = 1;
    // IP-SETUP commands: sent again while the module still answers at its
    // old address and not at its new one.
    unsigned ipSetupSends = 1;
    // Tries of one address before it counts as free, or the device there as
    // not saying who it is. One is the window's: a status query with its
    // second, and a search request addressed there only when something
    // answered. More send both at once, 300 ms apart: about two seconds when
    // nothing answers. At 20 % loss each way one try goes unanswered one time
    // in eight; five, one time in thirty thousand.
    unsigned probeTries = 1;
    // After a change, find out where the module answers and confirm by its
    // search reply that it is the module. The window leaves that to the next
    // search and sends only its status queries.
    bool confirmWhereabouts = false;
    // Writes of a file into a module whose write stopped midway while it
    // still answers: the whole file again, from its first record.
    unsigned uploadTries = 1;
    // How much later than the receive time-out the first byte of a module's
    // answer on the monitor port may come (monitor::kLateAnswer): a segment
    // the link lost waits for its retransmissions.
    std::chrono::milliseconds lateAnswer{0};

    static Retries Window() { return {}; }
    static Retries Persistent() { return {8, 5, 3, 5, true, 3, monitor::kLateAnswer}; }
};

}  // namespace quelvar::ops
