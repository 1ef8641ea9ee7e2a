// The monitor connection: six blocking operations over one TCP stream.
//
// Every receive asks for one byte (except the opening discard). The exact-count
// reads of the download and the chunks of a wait rely on it: a byte the
// current operation did not ask for stays in the connection for the next one.
// The socket transport keeps what one system call brought in a buffer of its
// own and hands it out byte by byte, so a download costs a few calls, not
// one per byte, and the byte not asked for still waits for the next operation.
#include "monitor/telnet.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/process.h"
#include "platform/socket.h"

namespace quelvar::monitor {

void Transport::pause(std::chrono::milliseconds duration) {
    platform::sleepFor(duration);
}

std::chrono::steady_clock::time_point Transport::now() const {
    return std::chrono::steady_clock::now();
}

bool Transport::waitReadable(std::chrono::milliseconds) { return true; }

TelnetSocket::~TelnetSocket() {
    if (transport) transport->close();
}

TelnetSocket& TelnetSocket::operator=(TelnetSocket&& other) noexcept {
    if (this != &other) {
        if (transport) transport->close();
        transport = std::move(other.transport);
        roundTrip = other.roundTrip;
        awaitingSince = other.awaitingSince;
        allowanceTaken = other.allowanceTaken;
    }
    return *this;
}

namespace {

class SocketTransport : public Transport {
  public:
    explicit SocketTransport(platform::Socket socket) : socket_(std::move(socket)) {}

    int receive(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) override {
        received = 0;
        if (next_ == end_) {
            std::size_t got = 0;
            if (int error = socket_.receive(buffered_.data(), buffered_.size(), got); error != 0) {
                return error;
            }
            next_ = 0;
            end_ = got;
        }
        received = std::min(capacity, end_ - next_);
        std::memcpy(buffer, buffered_.data() + next_, received);
        next_ += received;
        return 0;
    }
    int send(const std::uint8_t* data, std::size_t size) override {
        return socket_.send(data, size);
    }
    void close() override { socket_.close(); }
    bool holdsUnreadBytes() const override { return next_ != end_; }
    bool waitReadable(std::chrono::milliseconds timeout) override {
        if (holdsUnreadBytes()) return true;
        bool readable = false;
        return socket_.waitReadable(timeout, readable) == 0 && readable;
    }

  private:
    platform::Socket socket_;
    std::array<std::uint8_t, 4096> buffered_{};
    std::size_t next_ = 0;  // the first byte not handed out yet
    std::size_t end_ = 0;
};

// The wait for the first byte of an answer: a receive time-out plus the
// link's round trip. A byte that came tells how long the round trip is.
void awaitAnswer(TelnetSocket& socket) {
    if (!socket.awaitingSince || socket.allowanceTaken) return;
    socket.allowanceTaken = true;
    if (socket.roundTrip.count() > 0) socket.transport->waitReadable(socket.roundTrip);
}

void answerArrived(TelnetSocket& socket) {
    if (!socket.awaitingSince) return;
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(socket.transport->now() -
                                                                      *socket.awaitingSince);
    socket.roundTrip = std::min(std::max(socket.roundTrip, took), kMaxAnswerAllowance);
    socket.awaitingSince.reset();
}

void sent(TelnetSocket& socket) {
    socket.awaitingSince = socket.transport->now();
    socket.allowanceTaken = false;
}

// One receive of one byte: 1 when a byte came, 0 when the peer closed, and
// -1 with the error number otherwise.
int receiveOne(TelnetSocket& socket, std::uint8_t& byte, int& error) {
    awaitAnswer(socket);
    std::size_t received = 0;
    error = socket.transport->receive(&byte, 1, received);
    if (error != 0) return -1;
    if (received != 1) return 0;
    answerArrived(socket);
    return 1;
}

using TimePoint = std::chrono::steady_clock::time_point;

// Once the text holds `answeredBy`, the module's next answer may follow
// within the quiet second on a link that delays one and not the other: the
// chunk then ends where the text pauses, and leaves what follows unread. True
// when the text goes on within kAnswerPause; false when it paused. A pause
// is waited out until the answer begins or its time (kAnswerAfterEcho) has
// passed too: one wait, where a wait for the pause and then another for the
// answer would wake the caller twice.
bool textGoesOn(TelnetSocket& socket) {
    const TimePoint started = socket.transport->now();
    if (!socket.transport->waitReadable(kAnswerPause + kAnswerAfterEcho)) return false;
    return socket.transport->now() - started < kAnswerPause;
}

bool holds(const Chunk& chunk, int count, std::string_view pattern) {
    return !pattern.empty() &&
           std::string_view(chunk.data(), static_cast<std::size_t>(count)).find(pattern) !=
               std::string_view::npos;
}

// TelnetRecvChunk, ending also before the first byte asked for that is not
// already there at or past `deadline` (`expired` tells that it did), and,
// with `answeredBy`, where the next answer begins after the text that holds
// it.
int receiveChunk(TelnetSocket& socket, Chunk& chunk, TimePoint deadline, bool& expired,
                 std::string_view answeredBy = {}) {
    constexpr int kCapacity = static_cast<int>(kChunkCapacity);
    expired = false;
    int count = 0;
    bool answered = false;
    if (socket.isOpen()) {
        // Each pass either stores a byte or drops a CR/LF; a stream of line
        // ends alone is bounded by the time-out once it stops, and by this
        // cap if it never does.
        for (int pass = 0; pass < 1 << 20; ++pass) {
            if (TelnetWouldWaitPast(socket, deadline)) {
                expired = true;
                break;
            }
            if (answered && !textGoesOn(socket)) break;
            std::uint8_t byte = 0;
            int error = 0;
            if (receiveOne(socket, byte, error) != 1) break;
            if (byte == '\r' || byte == '\n') continue;
            chunk[static_cast<std::size_t>(count++)] = static_cast<char>(byte);
            if (byte == 0 || count == kCapacity) break;
            answered = answered || holds(chunk, count, answeredBy);
        }
    }
    // A full chunk has no room for a terminator, and needs none.
    if (count < kCapacity) chunk[static_cast<std::size_t>(count)] = '\0';
    return count;
}

}  // namespace

int TelnetConnect(TelnetSocket& socket, const platform::Ipv4Octets& address) {
    socket = TelnetSocket();
    int error = 0;
    platform::Socket tcp = platform::Socket::openTcp(error);
    if (error != 0) return error;

    const auto started = std::chrono::steady_clock::now();
    error = tcp.connect(platform::Ipv4Endpoint{address, kMonitorPort}, kConnectTimeout);
    if (error != 0) return error;  // the Socket closes itself

    // Failures here are harmless: the calls then wait as long as the system
    // lets them, and sends are coalesced.
    static_cast<void>(tcp.setSendTimeout(kMonitorTimeout));
    static_cast<void>(tcp.setReceiveTimeout(kMonitorTimeout));
    static_cast<void>(tcp.setNoDelay(true));

    socket.transport = std::make_unique<SocketTransport>(std::move(tcp));
    // The connect took one round trip; the greeting is the first answer.
    socket.roundTrip = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - started),
                                kMaxAnswerAllowance);
    socket.awaitingSince = started;

    // Modules greet with a few bytes before their banner; they are not part of
    // what the caller waits for, whatever arrives (or does not) in the second.
    awaitAnswer(socket);
    std::uint8_t scratch[kOpeningDiscard];
    std::size_t received = 0;
    if (socket.transport->receive(scratch, sizeof scratch, received) == 0 && received > 0) {
        answerArrived(socket);
    }
    return 0;
}

int TelnetSend(TelnetSocket& socket, const char* text) {
    if (!socket.isOpen()) return platform::socket_error::kPeerClosed;
    sent(socket);
    return socket.transport->send(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

int TelnetRecv(TelnetSocket& socket, std::uint8_t* buffer, int count) {
    if (count <= 0) return 0;
    if (!socket.isOpen()) return platform::socket_error::kPeerClosed;
    for (int i = 0; i < count; ++i) {
        int error = 0;
        int got = receiveOne(socket, buffer[i], error);
        if (got < 0) return error;
        if (got == 0) return platform::socket_error::kPeerClosed;
    }
    return 0;
}

bool TelnetWouldWaitPast(const TelnetSocket& socket, TimePoint deadline) {
    return deadline != TimePoint::max() && socket.isOpen() &&
           !socket.transport->holdsUnreadBytes() && socket.transport->now() >= deadline;
}

int TelnetRecvChunk(TelnetSocket& socket, Chunk& chunk) {
    bool expired = false;
    return receiveChunk(socket, chunk, TimePoint::max(), expired);
}

namespace {

int waitFor(TelnetSocket& socket, std::string_view wanted, bool answerFollows) {
    if (!socket.isOpen()) return -1;
    const TimePoint deadline = socket.transport->now() + kWaitLimit;
    for (int chunks = 0; chunks < kMaxWaitChunks; ++chunks) {
        Chunk chunk{};
        bool expired = false;
        int length = receiveChunk(socket, chunk, deadline, expired,
                                  answerFollows ? wanted : std::string_view());
        if (length == 0) return -1;
        // The text ends at the first NUL, or after all 256 characters.
        std::size_t textLength = 0;
        while (textLength < kChunkCapacity && chunk[textLength] != '\0') ++textLength;
        if (std::string_view(chunk.data(), textLength).find(wanted) != std::string_view::npos) {
            return 0;
        }
        if (expired) return -1;
        if (socket.isOpen()) socket.transport->pause(kChunkPause);
    }
    return -1;
}

}  // namespace

int TelnetWaitString(TelnetSocket& socket, const char* pattern) {
    return waitFor(socket, pattern, false);
}

int TelnetWaitEcho(TelnetSocket& socket, const char* pattern) {
    return waitFor(socket, pattern, true);
}

int EnterMonitorMode(TelnetSocket& socket, const std::function<void()>& afterMode,
                     const std::function<void()>& afterRequest) {
    if (int code = TelnetWaitString(socket, "Mode")) return code;
    if (afterMode) afterMode();
    if (int code = TelnetSend(socket, "M")) return code;
    if (afterRequest) afterRequest();
    return TelnetWaitString(socket, ">");
}

int TelnetClose(TelnetSocket& socket) {
    socket = TelnetSocket();  // the old one closes as it goes
    return 0;
}

}  // namespace quelvar::monitor
