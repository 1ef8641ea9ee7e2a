#pragma once

#include <chrono>

#include "discovery/search.h"
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
    // The same once the link has shown itself lossy (linkShownLossy): when
    // the system's address resolution of the module fails (its three
    // requests lost), every query of the next three seconds is lost with it,
    // so the check must outlast such a gap: twenty, about seven seconds.
    unsigned lossyReachabilityAttempts = 1;
    // Search requests: the request goes out again while a round brings
    // modules not seen before, up to this many in all (SearchScope::rounds).
    // At 20 % loss each way a module misses a round one time in three: five
    // rounds miss it one time in 170, eight one time in 3500.
    int searchRounds = 1;
    // IP-SETUP commands: sent again while the module still answers at its
    // old address and not at its new one, three status queries at the new
    // address after each. At 20 % loss three leave one move in 125 undone;
    // four (all the ten queries at the new address leave room for), one in 600.
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
    // Entries into the monitor mode, each on a fresh connection, while
    // nothing has been written on it (see MonitorLink); more than one also
    // asks again while a restarting module refuses the connection.
    unsigned monitorEntries = 1;
    // Reads of a module's records, whole, when one stopped midway: reading
    // changes nothing in the module.
    unsigned readTries = 1;
    // The lateness allowed once a try has failed on the link: TCP's
    // retransmission time-outs double (0.2, 0.4, 0.8, 1.6 s) and soon
    // outlast the quiet second that ends a wait.
    std::chrono::milliseconds lossyLateAnswer{0};
    // Rounds of the system's address resolution of a new address (see
    // WhoHolds) before one that nobody answered counts as a free address,
    // once the link has shown itself lossy: the datagrams of the check wait
    // for the resolution and are lost with it, so its three requests are
    // all there is to go by, and at 20 % loss each way they all go
    // unanswered one time in twenty; in three rounds, one in ten thousand.
    // Each round costs the three seconds the system asks for.
    unsigned lossyAddressResolutions = 1;
    // A search or a check before showed the link losing or holding back
    // datagrams (set by whoever saw it).
    bool linkShownLossy = false;

    static Retries Window() { return {}; }
    static Retries Persistent() {
        Retries retries;
        retries.reachabilityAttempts = 8;
        retries.lossyReachabilityAttempts = 20;
        retries.searchRounds = 8;
        retries.ipSetupSends = 4;
        retries.probeTries = 5;
        retries.confirmWhereabouts = true;
        retries.uploadTries = 3;
        retries.lateAnswer = monitor::kLateAnswer;
        retries.monitorEntries = 3;
        retries.readTries = 3;
        retries.lossyLateAnswer = monitor::kLossyLateAnswer;
        retries.lossyAddressResolutions = 3;
        return retries;
    }
};

// The retries for the operations that follow a search: a search whose
// rounds showed a lossy link makes its silences count for less.
inline Retries AfterSearch(Retries retries, const discovery::SearchResult& searched) {
    retries.linkShownLossy = retries.linkShownLossy || searched.lossy;
    return retries;
}

}  // namespace quelvar::ops
