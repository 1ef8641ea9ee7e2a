// Whatever a module answers while records are written into it, the reading
// of its echoes and answers must neither misbehave nor report a record
// taken that no answer confirmed, and never take a byte it did not ask for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "monitor/record_upload.h"
#include "monitor/scripted_transport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar;
    if (size < 1) return 0;
    monitor::TelnetSocket socket;
    auto log = std::make_shared<testing::ScriptedTransport::Log>();
    // The first byte: whether answers may come late, and how many records go.
    socket.lateAnswer = (data[0] & 1) != 0 ? monitor::kLateAnswer : std::chrono::milliseconds{0};
    const std::size_t count = 1 + (data[0] >> 1) % 3;
    testing::OpenScripted(socket, log).raw(data + 1, size - 1);

    std::vector<records::Record> list;
    for (std::size_t n = 0; n < count; ++n) {
        list.push_back({static_cast<std::uint8_t>(n), std::vector<std::uint8_t>(n == 0 ? 120 : 126)});
    }
    monitor::TransferHooks hooks{[](std::string_view) {}, [](int) {},
                                 [](std::chrono::milliseconds) {}};
    monitor::UploadResult result = monitor::WriteSetupRecords(socket, list, hooks);
    if (result.taken > list.size()) std::abort();
    if (result.outcome == monitor::UploadOutcome::Complete && result.taken != list.size()) {
        std::abort();
    }
    if (result.outcome == monitor::UploadOutcome::SocketError && result.code == 0) std::abort();
    for (std::size_t receive : log->receiveSizes) {
        if (receive != 1) std::abort();  // never a byte it did not ask for
    }
    monitor::TelnetClose(socket);
    return 0;
}
