// The module side of the monitor port 9999.
//
// The tool reads parts of these answers by exact byte counts and other parts
// as chunks that end only after a quiet second, so the module's framing and
// its pauses are what make the two sides line up:
//
//   connect   greeting (<= 9 bytes, the tool throws one receive away), a short
//             pause, then the banner holding "Mode", then quiet
//   "M"       the prompt ">", then quiet
//   "G<n>"    5 bytes of preamble, then lines of
//               ":" LL OOOO "00" (9) | 2*LL hex data | checksum(2) CR CR LF (5)
//             and last ":00000001" "FF" CR CR LF followed by "0>" (2); or, for a
//             record the module does not hold, the preamble and "9>" then quiet
//   "S<n>"    data lines (type 10, no line ends) up to ":00000001FF"; then the
//             echo "S<n>" (with echo-pause, a pause under a second before its
//             line end), a quiet pause, and the 3-byte reply LF '0' '>'
//   "RS"      restart: the session ends and the farm keeps the module silent
//
// With replaced-after-record, the module is gone right after storing that
// record, before its echo: the connection closes and another module answers
// at its address from then on.
//
// With no-banner, the greeting is all the module ever says on a connection:
// it takes what the tool sends and answers nothing, until the tool hangs up.
// A fault given with monitor-once shows on the module's first connection
// only; that session clears it, and every later connection is served well.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/hex.h"
#include "platform/process.h"
#include "sim/monitor_session.h"

namespace quelvar::sim {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kSlice = 100ms;        // how often every wait looks at `stopping`
constexpr auto kIdleLimit = 30s;      // a tool that says nothing for this long is gone
constexpr auto kBannerPause = 100ms;  // between the greeting and the banner
constexpr auto kWriteByteLimit = 5s;  // a record write stalled this long is abandoned
// The tool's wait for the echo ends only after a quiet second, and its read
// of the 3 reply bytes then allows one more second per byte. The reply is
// sent 1.5 s after the echo: half a second after the tool's quiet second
// has run out and half a second before its next receive would time out,
// the same margin on both sides for a busy machine.
constexpr auto kEchoToReply = 1500ms;
constexpr int kLineBytes = 32;
constexpr std::size_t kMaxCommandLength = 64;
constexpr int kMaxWriteLines = 64;
constexpr std::size_t kOversizeCount = 0x30;
// Record 0 alone overflows a 4096-byte file.
// A dripping or streaming module keeps on until the tool hangs up, or this long.
constexpr auto kFloodLimit = 10min;
constexpr auto kDripGap = 900ms;
constexpr std::size_t kTooManyRecordsSize = 4200;
// A module that only listens takes at most this much before it hangs up itself.
constexpr std::size_t kMostIgnoredBytes = std::size_t{1} << 20;

const std::string kPreamble = "\r\nG\r\n";
const std::string kLineTail = "\r\r\n";
const std::string kRecordTail = "0>";
const std::string kEndAnswer = "9>";

enum class Got { Byte, Quiet, Closed, Stopping };

class Session {
  public:
    Session(LinkConnection& connection, MonitorContext& context)
        : connection_(connection), context_(context) {
        std::lock_guard lock(context_.mutex);
        fault_ = context_.config.monitorFault;
        if (context_.config.monitorFaultOnce) {
            // The first connection spends the fault; the module is well for
            // every connection after it.
            context_.config.monitorFault = MonitorFault::None;
            context_.config.monitorFaultOnce = false;
        }
        echoPause_ = context_.config.echoPause;
        replacements_ = context_.replacements;
    }

    void run();

  private:
    Got readByte(std::uint8_t& byte, std::chrono::milliseconds limit);
    bool send(std::string_view bytes);
    bool pause(std::chrono::milliseconds duration);
    bool stopping() const { return context_.stopping.load(); }
    // Whether another module took this session's module's place; call with
    // the context's mutex held.
    bool moduleReplaced() const { return context_.replacements != replacements_; }

    bool greet();
    void flood();
    void ignoreUntilHangUp();
    std::optional<std::string> readCommand();
    bool serveRecord(int number);
    bool takeRecord(int number);
    std::string dataLine(int count, int offset, int type, const std::uint8_t* bytes) const;

    LinkConnection& connection_;
    MonitorContext& context_;
    MonitorFault fault_ = MonitorFault::None;
    std::chrono::milliseconds echoPause_{0};
    int replacements_ = 0;  // of the module this session began with
};

Got Session::readByte(std::uint8_t& byte, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!stopping()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= 0ms) return Got::Quiet;
        bool readable = false;
        if (connection_.waitReadable(std::min<std::chrono::milliseconds>(left, kSlice), readable))
            return Got::Closed;
        if (!readable) continue;
        std::size_t received = 0;
        if (connection_.receive(&byte, 1, received) != 0 || received == 0) return Got::Closed;
        std::lock_guard lock(context_.mutex);
        context_.received.push_back(byte);
        return Got::Byte;
    }
    return Got::Stopping;
}

bool Session::send(std::string_view bytes) {
    return !stopping() && connection_.send(bytes.data(), bytes.size()) == 0;
}

bool Session::pause(std::chrono::milliseconds duration) {
    const auto deadline = Clock::now() + duration;
    while (!stopping()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= 0ms) return true;
        platform::sleepFor(std::min<std::chrono::milliseconds>(left, kSlice));
    }
    return false;
}

bool Session::greet() {
    // The greeting is what the tool's opening receive takes away. The banner
    // starts with line ends so that even when both arrive together and the
    // tool's receive reaches into the banner, "Mode" is left whole.
    std::string greeting = "\r\nQV";
    std::string banner = "\r\n\r\n*** QUELVAR Monitor Mode ***\r\n";
    std::string prompt = "\r\n>";
    if (fault_ == MonitorFault::NulInPrompt) {
        banner = std::string("\r\n\r\n\0ab\0*** Monitor Mode ***\0", 28);
        prompt = std::string("\0>\0", 3);
    } else if (fault_ == MonitorFault::OnlyCrLfPrompt) {
        greeting = "\r\n\r\n";
        banner = "\r\n\r\n\r\n";
        prompt = "\r\n";
    }
    if (fault_ == MonitorFault::Drip || fault_ == MonitorFault::Garbage) {
        if (send(greeting)) flood();
        return false;
    }
    if (fault_ == MonitorFault::NoBanner) {
        // The greeting the tool throws away, then nothing it could wait for.
        if (send(greeting)) ignoreUntilHangUp();
        return false;
    }
    if (!send(greeting) || !pause(kBannerPause) || !send(banner)) return false;

    // Only "M" asks for monitor mode; anything else before it is ignored.
    const auto deadline = Clock::now() + kIdleLimit;
    while (Clock::now() < deadline) {
        std::uint8_t byte = 0;
        Got got = readByte(byte, kIdleLimit);
        if (got != Got::Byte) return false;
        if (byte == 'M') return send(prompt);
    }
    return false;
}

// Never a quiet second and never "Mode": a byte under every second, or text
// as fast as the tool takes it (sends block once its receive buffer is full).
void Session::flood() {
    const std::string text(256, '#');
    const auto deadline = Clock::now() + kFloodLimit;
    while (Clock::now() < deadline) {
        if (fault_ == MonitorFault::Drip) {
            if (!pause(kDripGap) || !send(".")) return;
        } else if (!send(text)) {
            return;
        }
    }
}

// Takes whatever comes and answers nothing, until the tool hangs up or says
// nothing for kIdleLimit; a tool that keeps on sending meets a hang-up after
// kFloodLimit or kMostIgnoredBytes.
void Session::ignoreUntilHangUp() {
    const auto deadline = Clock::now() + kFloodLimit;
    std::uint8_t byte = 0;
    for (std::size_t n = 0; n < kMostIgnoredBytes && Clock::now() < deadline; ++n) {
        if (readByte(byte, kIdleLimit) != Got::Byte) return;
    }
}

std::optional<std::string> Session::readCommand() {
    std::string line;
    for (std::size_t n = 0; n < 4 * kMaxCommandLength; ++n) {
        std::uint8_t byte = 0;
        if (readByte(byte, kIdleLimit) != Got::Byte) return std::nullopt;
        if (byte == '\n') return line;
        if (byte == '\r') continue;
        if (line.size() < kMaxCommandLength) line.push_back(static_cast<char>(byte));
    }
    return std::string();  // an endless line: ignore it
}

std::string Session::dataLine(int count, int offset, int type, const std::uint8_t* bytes) const {
    const bool lower = fault_ == MonitorFault::LowerCaseHex;
    const char* byteFormat = lower ? "%02x" : "%02X";
    char text[16];
    std::snprintf(text, sizeof text, lower ? ":%02x%04x%02x" : ":%02X%04X%02X", count, offset,
                  type);
    std::string line(text);
    unsigned sum = static_cast<unsigned>(count + (offset >> 8) + offset + type);
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, byteFormat, bytes[i]);
        line += text;
        sum += bytes[i];
    }
    std::snprintf(text, sizeof text, byteFormat, (0x100u - (sum & 0xFFu)) & 0xFFu);
    line += text;
    return line;
}

bool Session::serveRecord(int number) {
    std::optional<Bytes> data;
    {
        std::lock_guard lock(context_.mutex);
        auto it = context_.config.records.find(number);
        if (it != context_.config.records.end()) data = it->second;
    }
    if (fault_ == MonitorFault::TooManyRecords && number >= 0 && number <= 8) {
        data = Bytes(kTooManyRecordsSize);
        for (std::size_t i = 0; i < data->size(); ++i) {
            (*data)[i] = static_cast<std::uint8_t>(number + i);
        }
    }
    if (!data) return send(kPreamble + kEndAnswer);

    std::string answer = kPreamble;
    const int size = static_cast<int>(data->size());
    for (int offset = 0; offset < size; offset += kLineBytes) {
        int count = std::min(kLineBytes, size - offset);
        if (fault_ == MonitorFault::OversizeCount && number == 0 && offset == 0) {
            data->resize(std::max(data->size(), kOversizeCount));
            count = static_cast<int>(kOversizeCount);
        }
        std::string line = dataLine(count, offset, 0x00, data->data() + offset);
        if (number == 2 && fault_ == MonitorFault::StopMidLine) {
            // Half a line, then nothing more until the tool gives up.
            send(answer + line.substr(0, 9 + count));
            ignoreUntilHangUp();
            return false;
        }
        answer += line + kLineTail;
        if (number == 2 && fault_ == MonitorFault::CloseMidRecord) {
            send(answer);
            return false;  // the session ends and the connection closes
        }
        if (count > kLineBytes) offset += count - kLineBytes;
    }
    answer += ":00000001FF" + kLineTail + kRecordTail;
    return send(answer);
}

bool Session::takeRecord(int number) {
    Bytes data;
    bool valid = true;
    bool ended = false;
    for (int lines = 0; lines < kMaxWriteLines && !ended; ++lines) {
        // Lines have no line ends: each starts at ':' and its count says
        // where it stops.
        std::uint8_t byte = 0;
        do {
            Got got = readByte(byte, kWriteByteLimit);
            if (got == Got::Quiet) return true;  // abandoned; back to commands
            if (got != Got::Byte) return false;
        } while (byte != ':');

        std::string text;
        auto readHex = [&](std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) {
                if (readByte(byte, kWriteByteLimit) != Got::Byte) return false;
                text.push_back(static_cast<char>(byte));
            }
            return true;
        };
        if (!readHex(8)) return false;
        auto pair = [&](std::size_t at) {
            std::optional<int> value = platform::hexPair(text[at], text[at + 1]);
            if (!value) valid = false;
            return value.value_or(0);
        };
        const int count = pair(0);
        const int offset = (pair(2) << 8) | pair(4);
        const int type = pair(6);
        if (!readHex(2 * static_cast<std::size_t>(count) + 2)) return false;
        if (fault_ == MonitorFault::DropFirstWrite) {
            // Gone in the middle of the record, as a module that restarts;
            // the next connection finds it well.
            std::lock_guard lock(context_.mutex);
            context_.config.monitorFault = MonitorFault::None;
            return false;
        }
        unsigned sum = static_cast<unsigned>(count + (offset >> 8) + offset + type);
        Bytes lineData;
        for (int i = 0; i < count; ++i) {
            int value = pair(8 + 2 * static_cast<std::size_t>(i));
            lineData.push_back(static_cast<std::uint8_t>(value));
            sum += static_cast<unsigned>(value);
        }
        sum += static_cast<unsigned>(pair(8 + 2 * static_cast<std::size_t>(count)));
        if ((sum & 0xFFu) != 0) valid = false;
        if (type == 0x01) {
            ended = true;
        } else {
            if (type != 0x10 || offset != static_cast<int>(data.size())) valid = false;
            data.insert(data.end(), lineData.begin(), lineData.end());
        }
    }
    if (!ended) valid = false;

    char reply = valid ? '0' : '2';
    if (fault_ == MonitorFault::WriteReplyOne) reply = '1';
    {
        std::lock_guard lock(context_.mutex);
        if (context_.config.refuseRecord == number) reply = '1';
    }
    bool replaced = false;
    if (reply == '0') {
        if (fault_ == MonitorFault::AlterOnWrite && !data.empty()) data[data.size() / 2] ^= 0x5A;
        std::lock_guard lock(context_.mutex);
        // The module that took this connection may be gone: its records with it.
        if (moduleReplaced()) return false;
        context_.config.records[number] = data;
        context_.recordsWritten.insert(number);
        replaced = context_.config.replacedAfterRecord == number;
    }
    if (replaced) {
        // Stored, and gone before the echo: the connection closes as the
        // session ends, and the tool finds another module at this address.
        if (context_.onReplaced) context_.onReplaced();
        return false;
    }

    char echo[24];
    std::snprintf(echo, sizeof echo, "\r\nS%d", number);
    if (echoPause_ > 0ms) {
        if (!send(echo) || !pause(echoPause_) || !send("\r\n")) return false;
    } else if (!send(std::string(echo) + "\r\n")) {
        return false;
    }
    if (!pause(kEchoToReply)) return false;
    return send(std::string{'\n', reply, '>'});
}

void Session::run() {
    if (!greet()) return;
    for (int commands = 0; commands < 10000; ++commands) {
        std::optional<std::string> command = readCommand();
        if (!command) return;
        {
            // A module replaced while this connection was open is not there
            // to take the command.
            std::lock_guard lock(context_.mutex);
            if (moduleReplaced()) return;
        }
        int number = 0;
        if (command->size() >= 2 && (*command)[0] == 'G' &&
            std::sscanf(command->c_str() + 1, "%d", &number) == 1) {
            if (!serveRecord(number)) return;
        } else if (command->size() >= 2 && (*command)[0] == 'S' &&
                   std::isdigit(static_cast<unsigned char>((*command)[1])) &&
                   std::sscanf(command->c_str() + 1, "%d", &number) == 1) {
            if (!takeRecord(number)) return;
        } else if (*command == "RS") {
            {
                std::lock_guard lock(context_.mutex);
                ++context_.resets;
            }
            if (context_.onReset) context_.onReset();
            return;  // a restarting module drops its connections
        }
        // Anything else is not a command of this module: no answer.
    }
}

}  // namespace

void RunMonitorSession(LinkConnection& connection, MonitorContext& context) {
    // Sends that cannot get through (a peer that stopped reading) give up.
    static_cast<void>(connection.setSendTimeout(2s));
    Session session(connection, context);
    session.run();
    connection.close();
}

}  // namespace quelvar::sim
