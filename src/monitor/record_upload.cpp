// Writing setup records into a module through its monitor mode.
#include "monitor/record_upload.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "monitor/data_line.h"
#include "platform/socket.h"

namespace quelvar::monitor {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kReplySize = 3;

UploadResult failed(UploadOutcome outcome, int code = 0) {
    return {outcome, code};
}

// The module's three-byte answer to a record: the bytes that follow the
// chunk of its echo. When none comes within the receive time-out, the answer
// may have come already, within the quiet second that should have ended the
// echo (a lost segment held the echo back until it ran into the answer): it
// is then the end of what that chunk brought after the echo.
int readReply(TelnetSocket& socket, const std::string& afterEcho, std::string& reply) {
    std::uint8_t byte = 0;
    int code = 0;
    while (reply.size() < kReplySize && (code = TelnetRecv(socket, &byte, 1)) == 0) {
        reply.push_back(static_cast<char>(byte));
    }
    if (code == 0) return 0;
    const std::size_t missing = kReplySize - reply.size();
    if (code != platform::socket_error::kTimedOut || afterEcho.size() < missing) return code;
    reply.insert(0, afterEcho.substr(afterEcho.size() - missing));
    return 0;
}

// `before` is the pause still owed to the record before: it goes out with
// this record's sends, so that it costs no wake-up of its own.
UploadResult writeRecord(TelnetSocket& socket, const records::Record& record,
                         std::chrono::milliseconds before, const TransferHooks& hooks) {
    char text[32];
    std::snprintf(text, sizeof text, "read:%d:", record.number);
    hooks.log(text);
    hooks.log("cmd:");
    char command[8];
    std::snprintf(command, sizeof command, "S%d\r\n", record.number);

    // The command, its data lines and the end record, each followed by its
    // pause, go out as one paced sequence; the trace still tells how far it
    // got, as if each were sent on its own.
    std::vector<PacedText> texts{{{}, before}, {command, 100ms}};
    const int size = static_cast<int>(record.data.size());
    for (int offset = 0; offset < size; offset += kMaxDataLineBytes) {
        const int count = std::min(size - offset, kMaxDataLineBytes);
        texts.push_back({FormatDataLine(count, offset, record.data.data() + offset), 10ms});
    }
    texts.push_back({kEndRecord, 10ms});
    PacedResult sent = SendInTurn(socket, texts, hooks);
    if (sent.sent > 0) {
        hooks.log("read:");
        hooks.log("send:");
    }
    if (sent.sent + 2 >= texts.size()) hooks.log("footer:");  // all but the end record
    if (sent.error != 0) return failed(UploadOutcome::SocketError, sent.error);

    // The echo is "S" and the first digit of the number: the command cut
    // after its second character.
    const char echo[3] = {command[0], command[1], '\0'};
    std::string afterEcho;
    if (TelnetWaitEcho(socket, echo, afterEcho) != 0) return failed(UploadOutcome::EchoMissing);

    std::string reply;
    TelnetExpectAnswer(socket);
    if (int code = readReply(socket, afterEcho, reply)) {
        return failed(UploadOutcome::SocketError, code);
    }
    if (reply[1] != '0') return failed(UploadOutcome::RecordRefused);

    // A confirmed record is followed by 100 ms of quiet, owed by the caller.
    hooks.log("success.\r\n");
    return {};
}

constexpr std::chrono::milliseconds kAfterRecord{100};

}  // namespace

UploadResult WriteSetupRecords(TelnetSocket& socket, std::span<const records::Record> records,
                               const TransferHooks& hooks) {
    std::chrono::milliseconds owed{0};
    for (int pass = 1; pass <= records::kMaxRecordsRead; ++pass) {
        hooks.record(pass);
        hooks.log("setup:");
        if (static_cast<std::size_t>(pass) > records.size()) break;  // the list is over
        UploadResult result =
            writeRecord(socket, records[static_cast<std::size_t>(pass - 1)], owed, hooks);
        result.taken = static_cast<std::size_t>(pass - 1);
        result.anySent = true;
        if (result.outcome != UploadOutcome::Complete) return result;
        owed = kAfterRecord;
    }
    if (owed.count() > 0) hooks.pause(owed);
    UploadResult result;
    result.taken = std::min(records.size(), static_cast<std::size_t>(records::kMaxRecordsRead));
    result.anySent = result.taken > 0;
    return result;
}

int SendReset(TelnetSocket& socket) {
    return TelnetSend(socket, "RS\r\n");
}

}  // namespace quelvar::monitor
