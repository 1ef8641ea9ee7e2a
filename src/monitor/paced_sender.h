#pragma once

#include <chrono>
#include <cstddef>
#include <span>
#include <string>

namespace quelvar::monitor {

struct TelnetSocket;
struct TransferHooks;

// A text to send and the pause that must pass after it before the next one;
// an empty text is a pause alone.
struct PacedText {
    std::string text;
    std::chrono::milliseconds after{0};
};

// How a paced sequence ended: 0 or the error number of the send that failed,
// how many texts went out, and when the last of them did.
struct PacedResult {
    int error = 0;
    std::size_t sent = 0;
    std::chrono::steady_clock::time_point lastSend{};
};

// The pauses between the lines of a record are what a module is paced by,
// and a site's worth of connections each sleeping through their own would
// wake the machine a hundred times a second per connection. One thread of
// the process sends for all of them instead: every send that falls due
// within the same few milliseconds (kGrouping) goes out on one wake-up. A
// pause is never shortened, only lengthened by at most that while other
// connections are sending too, and each connection still gets its texts one
// send each, in order.
//
// The first text, and any that follow a pause of nothing, go out from the
// caller's thread. The caller blocks until the last text's pause has passed
// or a send failed;
// the sending thread lives as long as the process. A send that blocks (a
// peer that stopped reading for a whole send buffer, bounded by the
// connection's send time-out) holds the others' sends back for that long:
// their pauses only grow. Each send counts as TelnetSend's for the wait for
// the answer that follows.
PacedResult TelnetSendPaced(TelnetSocket& socket, std::span<const PacedText> texts);

// The texts through the hooks' `sendPaced` when there is one, otherwise by
// TelnetSend and the hooks' `pause` on the calling thread.
PacedResult SendInTurn(TelnetSocket& socket, std::span<const PacedText> texts,
                       const TransferHooks& hooks);

inline constexpr std::chrono::milliseconds kGrouping{5};

}  // namespace quelvar::monitor
