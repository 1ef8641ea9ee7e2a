#pragma once

#include <chrono>

#include "platform/socket.h"

namespace quelvar::discovery {

// Every exchange on the discovery port waits at most this long for an answer.
inline constexpr std::chrono::milliseconds kDiscoveryTimeout{1000};

// A fresh UDP socket for one exchange on the discovery port: broadcasts
// allowed and receives bounded by the one-second time-out (whether those two
// options took is not examined; a socket without them still works for a
// unicast exchange). `error` is set when no socket could be opened.
platform::Socket OpenDiscoverySocket(int& error);

}  // namespace quelvar::discovery
