// Reading a module's setup records through its monitor mode.
//
// The answer to "G%d\r\n" is read by exact counts only: 5 bytes of preamble,
// then lines of a 9-character head, 2 x LL hexadecimal characters and a
// 5-byte tail, ended by a line whose count LL is 0 and 2 more bytes.
#include "monitor/record_download.h"

#include <array>
#include <cstdio>

#include "monitor/data_line.h"
#include "platform/socket.h"

namespace quelvar::monitor {

namespace {

using namespace std::chrono_literals;

constexpr int kPreambleSize = 5;
constexpr int kLineHeadSize = 9;
constexpr int kLineTailSize = 5;
constexpr int kRecordTailSize = 2;

// Every exact-count read fills this from its first position and leaves the
// rest as the previous read left it: the end answer relies on that.
using LineBuffer = std::array<std::uint8_t, 2 * kMaxAnswerLineBytes>;

bool isEndAnswer(const LineBuffer& line) {
    return line[0] == '9' && line[1] == '>';
}

DownloadResult failed(DownloadOutcome outcome, int code = 0) {
    return {outcome, code};
}

using TimePoint = std::chrono::steady_clock::time_point;

// TelnetRecv byte by byte, as it receives anyway, failing with the time-out
// error before the first byte asked for that is not already there once the
// reading is past `deadline`.
int receiveBefore(TelnetSocket& socket, std::uint8_t* buffer, int count, TimePoint deadline) {
    for (int i = 0; i < count; ++i) {
        if (TelnetWouldWaitPast(socket, deadline)) return platform::socket_error::kTimedOut;
        if (int code = TelnetRecv(socket, buffer + i, 1)) return code;
    }
    return 0;
}

// One record's lines, from its first head on. The head has already been read
// into `line`. Appends the data bytes to the image.
DownloadResult readLines(TelnetSocket& socket, LineBuffer& line, records::FileImage& image,
                         TimePoint deadline, bool& endAnswer) {
    // Each pass reads one line; a record cannot be longer than the image.
    for (std::size_t lines = 0; lines <= records::kImageCapacity; ++lines) {
        unsigned long count = ParseHexField(line.data() + 1, 2);
        if (count > static_cast<unsigned long>(kMaxAnswerLineBytes)) {
            return failed(DownloadOutcome::LineTooLong);
        }
        int size = static_cast<int>(count);
        if (int code = receiveBefore(socket, line.data(), 2 * size, deadline)) {
            return failed(DownloadOutcome::SocketError, code);
        }
        if (image.room() < count) return failed(DownloadOutcome::ImageFull);
        for (int i = 0; i < size; ++i) {
            image.append(static_cast<std::uint8_t>(ParseHexField(line.data() + 2 * i, 2) & 0xFF));
        }
        if (int code = receiveBefore(socket, line.data(), kLineTailSize, deadline)) {
            return failed(DownloadOutcome::SocketError, code);
        }
        if (size == 0) {
            if (int code = receiveBefore(socket, line.data(), kRecordTailSize, deadline)) {
                return failed(DownloadOutcome::SocketError, code);
            }
            return {};
        }
        if (int code = receiveBefore(socket, line.data(), kLineHeadSize, deadline)) {
            // An end answer in place of a later line: the record is cut short.
            if (isEndAnswer(line)) {
                endAnswer = true;
                return {};
            }
            return failed(DownloadOutcome::SocketError, code);
        }
    }
    return failed(DownloadOutcome::ImageFull);
}

}  // namespace

DownloadResult ReadSetupRecords(TelnetSocket& socket, records::FileImage& image,
                                const TransferHooks& hooks) {
    LineBuffer line{};
    char text[32];
    const TimePoint deadline =
        socket.isOpen() ? socket.transport->now() + kDownloadLimit : TimePoint::max();
    // The quiet 100 ms after a record is owed until the next request: both
    // go out as one paced sequence, with the pause after the request.
    std::chrono::milliseconds owed{0};
    for (int n = kFirstRecordSlot; n <= kLastRecordSlot; ++n) {
        hooks.record(n);
        if (n == 1 || n == 9) continue;

        std::snprintf(text, sizeof text, "setup %d getting...", n);
        hooks.log(text);
        std::snprintf(text, sizeof text, "G%d\r\n", n);
        const PacedText request[] = {{{}, owed}, {text, 100ms}};
        PacedResult sent = SendInTurn(socket, request, hooks);
        owed = 0ms;
        if (sent.error != 0) return failed(DownloadOutcome::SocketError, sent.error);

        if (int code = receiveBefore(socket, line.data(), kPreambleSize, deadline)) {
            return failed(DownloadOutcome::SocketError, code);
        }

        const std::size_t recordStart = image.length();
        // A full image can still take an end answer; only a record needs room.
        const bool numberStored = image.append(static_cast<std::uint8_t>(n));

        if (int code = receiveBefore(socket, line.data(), kLineHeadSize, deadline)) {
            // Where fewer than two bytes came, the preamble's stay in place.
            if (isEndAnswer(line)) {
                image.truncate(recordStart);
                return failed(DownloadOutcome::EndAnswer);
            }
            return failed(DownloadOutcome::SocketError, code);
        }
        if (!numberStored) return failed(DownloadOutcome::ImageFull);

        bool endAnswer = false;
        DownloadResult lines = readLines(socket, line, image, deadline, endAnswer);
        if (lines.outcome != DownloadOutcome::Complete) return lines;
        if (endAnswer) {
            // A partial record would not read back; keep only whole ones.
            image.truncate(recordStart);
            return failed(DownloadOutcome::EndAnswer);
        }
        const std::size_t dataSize = image.length() - recordStart - 1;
        if (dataSize != records::RecordDataSize(static_cast<std::uint8_t>(n))) {
            return failed(DownloadOutcome::WrongSize);
        }

        hooks.log("ok\r\n");
        owed = 100ms;
    }
    if (owed.count() > 0) hooks.pause(owed);
    return {};
}

}  // namespace quelvar::monitor
