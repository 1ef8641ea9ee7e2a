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
    // Tries of one address (a status query and an addressed search request,
    // 300 ms apart) before it counts as free, or the device there as not
    // saying who it is: about two seconds when nothing answers. At 20 % loss
    // each way one try goes unanswered one time in eight; five, one time in
    // thirty thousand.
    unsigned probeTries = 5;

    static Retries Window() { return {}; }
    static Retries Persistent() { return {3, 5, 3, 5}; }
};

}  // namespace quelvar::ops
