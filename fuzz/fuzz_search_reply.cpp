// Any datagram that reaches the search socket is decoded into a device entry
// and listed; neither may misbehave whatever the bytes are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "discovery/datagrams.h"
#include "discovery/device_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar;
    if (size < 6) return 0;
    // The first six bytes play the sender's address and port.
    platform::Ipv4Endpoint from{{data[0], data[1], data[2], data[3]},
                                static_cast<std::uint16_t>(data[4] << 8 | data[5])};
    std::span<const std::uint8_t> reply(data + 6, std::min<std::size_t>(size - 6, 30));
    discovery::DeviceEntry entry;
    discovery::DecodeSearchReply(reply, from, entry);
    std::string line = discovery::FormatDeviceLine(entry);
    // One line, printable, never a path.
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '/' || c == '\\') std::abort();
    }
    if (entry.ipText.size() > 15) std::abort();
    return 0;
}
