// Any datagram may reach a simulated module: it must take a new address only
// from a whole IP-SETUP command naming its own MAC, and read nothing past
// the datagram's end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/module_datagrams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar;
    // An exact-size copy, so that a read past the datagram is caught.
    std::vector<std::uint8_t> datagram(data, data + size);
    const std::uint8_t* bytes = datagram.empty() ? nullptr : datagram.data();

    auto code = sim::CommandCode(bytes, size);
    if (code.has_value() != (size >= 4)) std::abort();
    if (code && *code != datagram[3]) std::abort();

    static const sim::ModuleConfig config = sim::DefaultModule(0);
    auto address = sim::IpSetupAddressFor(config, bytes, size);
    if (!address) return 0;
    if (size < discovery::kIpSetupSize || *code != discovery::kIpSetupCommand) std::abort();
    if (std::memcmp(bytes + 4, "IP-SETUP", 8) != 0) std::abort();
    if (bytes[14] != config.mac[4] || bytes[15] != config.mac[5]) std::abort();
    if (std::memcmp(address->data(), bytes + 16, 4) != 0) std::abort();
    return 0;
}
