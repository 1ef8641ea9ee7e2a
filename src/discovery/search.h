#pragma once

#include "discovery/device_table.h"
#include "platform/socket.h"

namespace quelvar::discovery {

struct SearchResult {
    int error = 0;     // opening the socket or a wait failed: the socket layer's number
    int dropped = 0;   // replies read after the table was full, not stored
};

// Receives one datagram of at most 30 bytes and, when `index` names a row of
// the table, fills that row from it. False when the receive failed (a longer
// datagram fails too) or the table has no room; the caller advances the count.
bool ReceiveSearchReply(platform::Socket& socket, DeviceTable& table, int index);

// The search exchange: resets the table, sends one search request to port
// 30718 of `destination` (the limited broadcast as a rule) and stores every
// reply until a second passes without one. On a failed wait the replies
// stored so far stay counted.
[[nodiscard]] SearchResult SearchForModules(const platform::Ipv4Octets& destination,
                                            DeviceTable& table);

}  // namespace quelvar::discovery
