#include "discovery/ip_setup.h"

#include "discovery/datagrams.h"

namespace quelvar::discovery {

int SendIpSetup(platform::Socket& socket, const DeviceEntry& device,
                const platform::Ipv4Octets& newAddress) {
    auto command = EncodeIpSetup(device.mac, newAddress);
    return socket.sendTo(command.data(), command.size(), device.address);
}

}  // namespace quelvar::discovery
