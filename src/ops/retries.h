#pragma once

namespace quelvar::ops {

// How hard the operations try before they give up. The window keeps the
// single tries it has always made. The console and commissioning are used
// over Wi-Fi and VPNs and by scripts that must be able to rely on their
// outcome, so they try again where one lost datagram would otherwise decide.
struct Retries {
    // Status queries of the check that a module answers before an operation.
    unsigned reachabilityAttempts = 1;
    // Search requests: the request goes out again while a round brings
    // modules not seen before, up to this many in all.
    int searchRounds = 1;
    // IP-SETUP commands: sent again while the module still answers at its
    // old address and not at its new one.
    unsigned ipSetupSends = 1;
    // Tries of one address (a status query and an addressed search request)
    // before it counts as free, or the device there as not saying who it is.
    unsigned probeTries = 3;

    static Retries Window() { return {}; }
    static Retries Persistent() { return {3, 5, 3, 3}; }
};

}  // namespace quelvar::ops
