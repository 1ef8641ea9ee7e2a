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
        lateAnswer = other.lateAnswer;
        lossyLateAnswer = other.lossyLateAnswer;
        lossy = other.lossy;
        answerDue = other.answerDue;
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
// link's round trip and the lateness allowed. A byte that came tells how
// long the round trip is.
void awaitAnswer(TelnetSocket& socket) {
    if (!socket.answerDue || socket.allowanceTaken) return;
    socket.allowanceTaken = true;
    const auto extra = (socket.awaitingSince ? socket.roundTrip : std::chrono::milliseconds{0}) +
                       socket.lateAnswer;
    if (extra.count() > 0) socket.transport->waitReadable(extra);
}

void answerArrived(TelnetSocket& socket) {
    socket.answerDue = false;
    if (!socket.awaitingSince) return;
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(socket.transport->now() -
                                                                      *socket.awaitingSince);
    socket.roundTrip = std::min(std::max(socket.roundTrip, took), kMaxAnswerAllowance);
    socket.awaitingSince.reset();
}

void sent(TelnetSocket& socket) {
    socket.awaitingSince = socket.transport->now();
    socket.allowanceTaken = false;
    socket.answerDue = true;
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

// Where a chunk's text came from in the byte stream, line ends included.
struct ChunkBytes {
    std::size_t received = 0;                   // bytes the chunk took
    std::array<std::size_t, kChunkCapacity> upTo{};  // bytes taken up to each character
    std::string lastThree;                      // its last bytes, at most three
};

// TelnetRecvChunk, ending also before the first byte asked for that is not
// already there at or past `deadline` (`expired` tells that it did);
// `bytes`, when given, tells where its text came from.
int receiveChunk(TelnetSocket& socket, Chunk& chunk, TimePoint deadline, bool& expired,
                 ChunkBytes* bytes = nullptr) {
    constexpr int kCapacity = static_cast<int>(kChunkCapacity);
    expired = false;
    int count = 0;
    if (socket.isOpen()) {
        // Each pass either stores a byte or drops a CR/LF; a stream of line
        // ends alone is bounded by the time-out once it stops, and by this
        // cap if it never does.
        for (int pass = 0; pass < 1 << 20; ++pass) {
            if (TelnetWouldWaitPast(socket, deadline)) {
                expired = true;
                break;
            }
            std::uint8_t byte = 0;
            int error = 0;
            if (receiveOne(socket, byte, error) != 1) break;
            if (bytes != nullptr) {
                ++bytes->received;
                bytes->lastThree.push_back(static_cast<char>(byte));
                if (bytes->lastThree.size() > 3) bytes->lastThree.erase(0, 1);
            }
            if (byte == '\r' || byte == '\n') continue;
            if (bytes != nullptr) bytes->upTo[static_cast<std::size_t>(count)] = bytes->received;
            chunk[static_cast<std::size_t>(count++)] = static_cast<char>(byte);
            if (byte == 0 || count == kCapacity) break;
        }
    }
    // A full chunk has no room for a terminator, and needs none.
    if (count < kCapacity) chunk[static_cast<std::size_t>(count)] = '\0';
    return count;
}

}  // namespace

int TelnetConnect(TelnetSocket& socket, const platform::Ipv4Octets& address) {
    const std::chrono::milliseconds lateAnswer = socket.lateAnswer;
    const std::chrono::milliseconds lossyLateAnswer = socket.lossyLateAnswer;
    const bool lossy = socket.lossy;
    socket = TelnetSocket();
    socket.lateAnswer = lateAnswer;
    socket.lossyLateAnswer = lossyLateAnswer;
    socket.lossy = lossy;
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
    socket.answerDue = true;
    if (socket.roundTrip >= kRetransmittedConnect && socket.lossyLateAnswer.count() > 0) {
        socket.lateAnswer = std::max(socket.lateAnswer, socket.lossyLateAnswer);
        socket.lossy = true;
    }

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
        // A byte of an answer already under way, on a lossy link: what TCP
        // lost of it comes again later than the quiet second.
        const bool allowanceDue = socket.answerDue && !socket.allowanceTaken;
        if (socket.lossy && !allowanceDue && socket.lateAnswer.count() > 0) {
            socket.transport->waitReadable(socket.lateAnswer);
        }
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

// `after`, when given, receives the last bytes (at most three) of what the
// chunk that held the text brought after it.
int waitFor(TelnetSocket& socket, std::string_view wanted, std::string* after = nullptr) {
    if (!socket.isOpen()) return -1;
    const TimePoint deadline = socket.transport->now() + kWaitLimit;
    for (int chunks = 0; chunks < kMaxWaitChunks; ++chunks) {
        // The first chunk of an answer that is due waits its allowance in
        // its first receive; any other may begin lateAnswer later.
        const bool allowanceDue = socket.answerDue && !socket.allowanceTaken;
        if (!allowanceDue && socket.lateAnswer.count() > 0 &&
            !socket.transport->holdsUnreadBytes()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - socket.transport->now());
            if (left.count() > 0) socket.transport->waitReadable(std::min(socket.lateAnswer, left));
        }
        Chunk chunk{};
        ChunkBytes bytes;
        bool expired = false;
        int length = receiveChunk(socket, chunk, deadline, expired, after ? &bytes : nullptr);
        if (length == 0) return -1;
        // The text ends at the first NUL, or after all 256 characters.
        std::size_t textLength = 0;
        while (textLength < kChunkCapacity && chunk[textLength] != '\0') ++textLength;
        const std::size_t at = std::string_view(chunk.data(), textLength).find(wanted);
        if (at != std::string_view::npos) {
            if (after != nullptr) {
                const std::size_t end = at + std::max<std::size_t>(wanted.size(), 1);
                const std::size_t following = bytes.received - bytes.upTo[end - 1];
                *after = bytes.lastThree.substr(
                    bytes.lastThree.size() - std::min(following, bytes.lastThree.size()));
            }
            return 0;
        }
        if (expired) return -1;
        if (socket.isOpen()) socket.transport->pause(kChunkPause);
    }
    return -1;
}

}  // namespace

int TelnetWaitString(TelnetSocket& socket, const char* pattern) {
    return waitFor(socket, pattern);
}

int TelnetWaitEcho(TelnetSocket& socket, const char* pattern, std::string& after) {
    after.clear();
    return waitFor(socket, pattern, &after);
}

int EnterMonitorMode(TelnetSocket& socket, const std::function<void()>& afterMode,
                     const std::function<void()>& afterRequest) {
    if (int code = TelnetWaitString(socket, "Mode")) return code;
    if (afterMode) afterMode();
    if (int code = TelnetSend(socket, "M")) return code;
    if (afterRequest) afterRequest();
    return TelnetWaitString(socket, ">");
}

void TelnetExpectAnswer(TelnetSocket& socket) {
    socket.answerDue = true;
    socket.allowanceTaken = false;
}

int TelnetClose(TelnetSocket& socket) {
    socket = TelnetSocket();  // the old one closes as it goes
    return 0;
}

}  // namespace quelvar::monitor
