#include "sim/link_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace quelvar::sim {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kSlice = 100ms;  // how often every wait looks at `stopping`
// Bytes held on the way in each direction, as a socket buffer holds them:
// beyond this a sender waits, so a module that floods cannot eat memory.
constexpr std::size_t kMaxHeld = 64 * 1024;
constexpr std::size_t kReadSize = 4096;

struct Segment {
    Clock::time_point due;
    std::string bytes;
    bool end = false;  // the tool closed the connection, or it failed with `error`
    int error = 0;
};

// All of `bytes`, over as many sends as it takes; the socket's send time-out
// bounds each of them.
int SendAll(platform::NativeSocket fd, const std::string& bytes,
            const std::atomic<bool>& stopping) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (stopping.load()) return ECONNABORTED;
        ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK ? platform::socket_error::kTimedOut
                                                           : errno;
        }
        sent += static_cast<std::size_t>(count);
    }
    return 0;
}

}  // namespace

struct LinkConnection::Pumps {
    Pumps(const Path& path, const std::atomic<bool>& farmStopping)
        : toModule(LinkDirection::ToModule(path.faults, path.toModuleSeed)),
          fromModule(LinkDirection::FromModule(path.faults, path.fromModuleSeed)),
          counters(path.counters != nullptr ? *path.counters : ownCounters),
          stopping(farmStopping) {}

    // When a segment handed over now is due, counting it if it is held.
    static Clock::time_point due(LinkDirection& path, std::atomic<std::uint64_t>& held) {
        const std::uint64_t before = path.segmentsHeld();
        auto when = path.segmentDue(Clock::now());
        if (path.segmentsHeld() != before) ++held;
        return when;
    }

    void readLoop(platform::NativeSocket fd);
    void writeLoop(platform::NativeSocket fd);

    LinkDirection toModule;       // the reader's
    LinkDirection fromModule;     // the session's (in send)
    SegmentCounters ownCounters;  // when the path names none
    SegmentCounters& counters;
    const std::atomic<bool>& stopping;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Segment> inbound;  // from the tool, waiting to be due and read
    std::size_t inboundBytes = 0;
    std::deque<Segment> outbound;  // from the module, waiting to be due and sent
    std::size_t outboundBytes = 0;
    bool closing = false;     // nothing more will be sent: the writer drains and ends
    bool readerStop = false;  // the connection is closing: the reader ends
    int sendError = 0;        // the wire failed; nothing more goes out
    std::thread reader;
    std::thread writer;
};

void LinkConnection::Pumps::readLoop(platform::NativeSocket fd) {
    char buffer[kReadSize];
    while (!stopping.load()) {
        {
            std::unique_lock lock(mutex);
            if (readerStop) return;
            if (inboundBytes >= kMaxHeld) {
                // The session is not reading: leave the rest in the socket,
                // where the tool's side will feel it.
                changed.wait_for(lock, kSlice);
                continue;
            }
        }
        pollfd entry{fd, POLLIN, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(kSlice.count()));
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        ssize_t count = ready < 0 ? -1 : ::recv(fd, buffer, sizeof buffer, 0);
        int error = count < 0 ? errno : 0;
        if (count < 0 && (error == EINTR || error == EAGAIN)) continue;

        Segment segment;
        segment.due = due(toModule, counters.heldToModule);
        if (count > 0) {
            segment.bytes.assign(buffer, static_cast<std::size_t>(count));
        } else {
            segment.end = true;
            segment.error = error;
        }
        {
            std::lock_guard lock(mutex);
            inboundBytes += segment.bytes.size();
            inbound.push_back(std::move(segment));
        }
        changed.notify_all();
        if (count <= 0) return;
    }
}

void LinkConnection::Pumps::writeLoop(platform::NativeSocket fd) {
    std::unique_lock lock(mutex);
    while (!stopping.load()) {
        if (outbound.empty()) {
            if (closing) break;
            changed.wait_for(lock, kSlice);
            continue;
        }
        auto now = Clock::now();
        if (outbound.front().due > now) {
            changed.wait_until(lock, std::min(outbound.front().due, now + kSlice));
            continue;
        }
        std::string bytes = std::move(outbound.front().bytes);
        outbound.pop_front();
        lock.unlock();
        int error = SendAll(fd, bytes, stopping);
        lock.lock();
        outboundBytes -= bytes.size();
        if (error != 0) {
            sendError = error;
            outbound.clear();
            outboundBytes = 0;
        }
        changed.notify_all();
        if (error != 0) break;
    }
}

LinkConnection::LinkConnection(platform::Socket socket, const Path& path,
                               const std::atomic<bool>& stopping)
    : socket_(std::move(socket)) {
    if (path.faults.any()) pumps_ = std::make_unique<Pumps>(path, stopping);
}

LinkConnection::~LinkConnection() {
    close();
}

int LinkConnection::start() {
    if (!pumps_) return 0;
    const platform::NativeSocket fd = socket_.native();
    try {
        pumps_->reader = std::thread([this, fd] { pumps_->readLoop(fd); });
        pumps_->writer = std::thread([this, fd] { pumps_->writeLoop(fd); });
    } catch (const std::system_error& failure) {
        close();
        return failure.code().value();
    }
    return 0;
}

int LinkConnection::setSendTimeout(std::chrono::milliseconds timeout) {
    sendTimeout_ = timeout;
    return socket_.setSendTimeout(timeout);
}

int LinkConnection::waitReadable(std::chrono::milliseconds timeout, bool& readable) {
    if (!pumps_) return socket_.waitReadable(timeout, readable);
    readable = false;
    const auto deadline = Clock::now() + timeout;
    std::unique_lock lock(pumps_->mutex);
    while (true) {
        auto now = Clock::now();
        if (!pumps_->inbound.empty() && pumps_->inbound.front().due <= now) {
            readable = true;
            return 0;
        }
        if (now >= deadline || pumps_->stopping.load()) return 0;
        auto wake = std::min(deadline, now + kSlice);
        if (!pumps_->inbound.empty()) wake = std::min(wake, pumps_->inbound.front().due);
        pumps_->changed.wait_until(lock, wake);
    }
}

int LinkConnection::receive(void* buffer, std::size_t capacity, std::size_t& received) {
    if (!pumps_) return socket_.receive(buffer, capacity, received);
    received = 0;
    auto* out = static_cast<char*>(buffer);
    {
        std::lock_guard lock(pumps_->mutex);
        const auto now = Clock::now();
        auto& inbound = pumps_->inbound;
        while (received < capacity && !inbound.empty() && inbound.front().due <= now) {
            Segment& front = inbound.front();
            if (front.end) {
                // Stays queued: every later receive sees the same end.
                if (received == 0) return front.error;
                break;
            }
            std::size_t take = std::min(capacity - received, front.bytes.size());
            std::memcpy(out + received, front.bytes.data(), take);
            received += take;
            front.bytes.erase(0, take);
            pumps_->inboundBytes -= take;
            if (front.bytes.empty()) inbound.pop_front();
        }
    }
    if (received == 0) return platform::socket_error::kTimedOut;
    pumps_->changed.notify_all();  // room for the reader
    return 0;
}

int LinkConnection::send(const void* data, std::size_t size) {
    if (!pumps_) return socket_.send(data, size);
    if (size == 0) return 0;
    const auto deadline = Clock::now() + sendTimeout_;
    {
        std::unique_lock lock(pumps_->mutex);
        while (pumps_->sendError == 0 && pumps_->outboundBytes >= kMaxHeld) {
            auto now = Clock::now();
            if (pumps_->stopping.load()) return ECONNABORTED;
            if (now >= deadline) return platform::socket_error::kTimedOut;
            pumps_->changed.wait_until(lock, std::min(deadline, now + kSlice));
        }
        if (pumps_->sendError != 0) return pumps_->sendError;
        Segment segment;
        segment.due = Pumps::due(pumps_->fromModule, pumps_->counters.heldFromModule);
        segment.bytes.assign(static_cast<const char*>(data), size);
        pumps_->outboundBytes += size;
        pumps_->outbound.push_back(std::move(segment));
    }
    pumps_->changed.notify_all();
    return 0;
}

void LinkConnection::shutdownBoth() {
    finish(true);
}

void LinkConnection::close() {
    finish(false);
}

void LinkConnection::finish(bool shutdown) {
    if (pumps_) {
        {
            std::lock_guard lock(pumps_->mutex);
            pumps_->closing = true;
        }
        pumps_->changed.notify_all();
        // The writer ends once everything is on the wire (or the farm stops).
        if (pumps_->writer.joinable()) pumps_->writer.join();
        {
            std::lock_guard lock(pumps_->mutex);
            pumps_->readerStop = true;
        }
        pumps_->changed.notify_all();
        if (pumps_->reader.joinable()) pumps_->reader.join();
        pumps_.reset();
    }
    if (shutdown && socket_.isOpen()) static_cast<void>(socket_.shutdownBoth());
    socket_.close();
}

}  // namespace quelvar::sim
