// Whatever a module answers after the connection opens, the monitor-mode
// entry and the reading of its records must neither misbehave nor let the
// file image pass its 4096 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "monitor/record_download.h"
#include "monitor/scripted_transport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar;
    if (size < 1) return 0;
    monitor::TelnetSocket socket;
    auto log = std::make_shared<testing::ScriptedTransport::Log>();
    testing::OpenScripted(socket, log).raw(data + 1, size - 1);

    // The first byte decides whether the prompts are part of the input or
    // the bytes go straight to the record reading.
    if (data[0] & 1) {
        if (monitor::TelnetWaitString(socket, "Mode") != 0) return 0;
        if (monitor::TelnetSend(socket, "M") != 0) return 0;
        if (monitor::TelnetWaitString(socket, ">") != 0) return 0;
    }
    records::FileImage image;
    monitor::TransferHooks hooks{[](std::string_view) {}, [](int) {},
                                 [](std::chrono::milliseconds) {}};
    monitor::DownloadResult result = monitor::ReadSetupRecords(socket, image, hooks);
    if (image.length() < records::kHeaderSize || image.length() > records::kImageCapacity) {
        std::abort();
    }
    if (result.outcome == monitor::DownloadOutcome::SocketError && result.code == 0) std::abort();
    // What a download keeps is a file that loads back whole.
    if (result.outcome == monitor::DownloadOutcome::Complete ||
        result.outcome == monitor::DownloadOutcome::EndAnswer) {
        records::MemorySource source(image.bytes());
        records::RecordList list = records::ReadRecords(source);
        if (list.status != records::ReadStatus::End) std::abort();
        if (records::EncodeRecords(list.records).size() != image.length()) std::abort();
    }
    for (std::size_t receive : log->receiveSizes) {
        if (receive != 1) std::abort();  // never a byte it did not ask for
    }
    monitor::TelnetClose(socket);
    return 0;
}
