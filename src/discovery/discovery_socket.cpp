#include "discovery/discovery_socket.h"

namespace quelvar::discovery {

platform::Socket OpenDiscoverySocket(int& error) {
    platform::Socket socket = platform::Socket::openUdp(error);
    if (error != 0) return socket;
    static_cast<void>(socket.setBroadcast(true));
    static_cast<void>(socket.setReceiveTimeout(kDiscoveryTimeout));
    return socket;
}

}  // namespace quelvar::discovery
