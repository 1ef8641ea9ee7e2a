// Writing setup records into a module through its monitor mode.
#include "monitor/record_upload.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "monitor/data_line.h"

namespace quelvar::monitor {

namespace {

using namespace std::chrono_literals;

constexpr int kReplySize = 3;

UploadResult failed(UploadOutcome outcome, int code = 0) {
    return {outcome, code};
}

UploadResult writeRecord(TelnetSocket& socket, const records::Record& record,
                         const TransferHooks& hooks) {
    char text[32];
    std::snprintf(text, sizeof text, "read:%d:", record.number);
    hooks.log(text);
    hooks.log("cmd:");
    char command[8];
    std::snprintf(command, sizeof command, "S%d\r\n", record.number);
    if (int code = TelnetSend(socket, command)) return failed(UploadOutcome::SocketError, code);

    hooks.pause(100ms);
    hooks.log("read:");
    hooks.log("send:");
    const int size = static_cast<int>(record.data.size());
    for (int offset = 0; offset < size; offset += kMaxDataLineBytes) {
        const int count = std::min(size - offset, kMaxDataLineBytes);
        std::string line = FormatDataLine(count, offset, record.data.data() + offset);
        if (int code = TelnetSend(socket, line.c_str())) {
            return failed(UploadOutcome::SocketError, code);
        }
        hooks.pause(10ms);
    }

    hooks.log("footer:");
    if (int code = TelnetSend(socket, kEndRecord)) return failed(UploadOutcome::SocketError, code);
    hooks.pause(10ms);

    // The echo is "S" and the first digit of the number: the command cut
    // after its second character.
    const char echo[3] = {command[0], command[1], '\0'};
    if (TelnetWaitEcho(socket, echo) != 0) return failed(UploadOutcome::EchoMissing);

    std::uint8_t reply[kReplySize] = {};
    TelnetAwaitAnswer(socket, kLateAnswer);
    if (int code = TelnetRecv(socket, reply, kReplySize)) {
        return failed(UploadOutcome::SocketError, code);
    }
    if (reply[1] != '0') return failed(UploadOutcome::RecordRefused);

    hooks.pause(100ms);
    hooks.log("success.\r\n");
    return {};
}

}  // namespace

UploadResult WriteSetupRecords(TelnetSocket& socket, std::span<const records::Record> records,
                               const TransferHooks& hooks) {
    for (int pass = 1; pass <= records::kMaxRecordsRead; ++pass) {
        hooks.progress(pass);
        hooks.log("setup:");
        if (static_cast<std::size_t>(pass) > records.size()) break;  // the list is over
        UploadResult result =
            writeRecord(socket, records[static_cast<std::size_t>(pass - 1)], hooks);
        result.taken = static_cast<std::size_t>(pass - 1);
        result.anySent = true;
        if (result.outcome != UploadOutcome::Complete) return result;
    }
    UploadResult result;
    result.taken = std::min(records.size(), static_cast<std::size_t>(records::kMaxRecordsRead));
    result.anySent = result.taken > 0;
    return result;
}

int SendReset(TelnetSocket& socket) {
    return TelnetSend(socket, "RS\r\n");
}

}  // namespace quelvar::monitor
