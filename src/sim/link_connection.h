#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>

#include "platform/socket.h"
#include "sim/link_faults.h"

namespace quelvar::sim {

// The segments a module's connections held for a retransmission, in each
// direction; shared by all of them and read by the farm at any time.
struct SegmentCounters {
    std::atomic<std::uint64_t> heldToModule{0};
    std::atomic<std::uint64_t> heldFromModule{0};
};

// One accepted TCP connection of a module, seen through the module's link
// faults. The module's sessions talk to it as they would to the socket.
//
// Without faults it is the bare socket. With them, two small pump threads
// stand between the socket and the session: one reads what the tool sends
// and hands it to the session only when it is due, the other is a delay
// line that puts the session's bytes on the wire when they are due. The
// module's own pauses are thus kept as the module made them, and the path
// adds its delay, jitter and retransmissions on top. Every wait is bounded
// and looks at `stopping`, so a stopping farm is not held up.
class LinkConnection {
  public:
    // The path one connection follows: its faults, the seeds of its two
    // directions, and where it counts held segments (which must outlive it).
    struct Path {
        LinkFaults faults;
        std::uint64_t toModuleSeed = 0;
        std::uint64_t fromModuleSeed = 0;
        SegmentCounters* counters = nullptr;
    };

    LinkConnection(platform::Socket socket, const Path& path, const std::atomic<bool>& stopping);
    ~LinkConnection();
    LinkConnection(const LinkConnection&) = delete;
    LinkConnection& operator=(const LinkConnection&) = delete;

    // Starts the pumps when there are faults; 0 or the error of a thread
    // that could not start (the connection is then closed).
    [[nodiscard]] int start();

    // Bounds a send: of the socket, and of the wait for room in the delay line.
    [[nodiscard]] int setSendTimeout(std::chrono::milliseconds timeout);

    // Waits at most `timeout` for bytes (or the tool's close) that are due.
    [[nodiscard]] int waitReadable(std::chrono::milliseconds timeout, bool& readable);
    // Takes bytes that are due; with faults it never waits (kTimedOut when
    // nothing is due). 0 bytes with result 0: the tool closed the connection.
    [[nodiscard]] int receive(void* buffer, std::size_t capacity, std::size_t& received);
    // All of `size` bytes, or an error: of the socket, or, with faults, of an
    // earlier send that failed on the wire.
    [[nodiscard]] int send(const void* data, std::size_t size);

    // Both end the connection once what is on its way has left (at once
    // when the farm stops): shutdownBoth() as a web server ends a response,
    // close() as a module drops a session.
    void shutdownBoth();
    void close();

  private:
    struct Pumps;
    void finish(bool shutdown);

    platform::Socket socket_;
    std::unique_ptr<Pumps> pumps_;  // only with faults
    std::chrono::milliseconds sendTimeout_{2000};
};

}  // namespace quelvar::sim
