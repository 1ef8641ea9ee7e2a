#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ipv4.h"

namespace quelvar::monitor {

inline constexpr std::uint16_t kMonitorPort = 9999;
inline constexpr std::chrono::milliseconds kMonitorTimeout{1000};
// A module on the link takes the connection at once and a lost SYN is sent
// again after 1 s and 3 s: past 5 s no module is coming, and the system's
// own limit (minutes, at a full accept queue) would only hold the tool.
// Windows does not let a program bound its connect: there the system's own
// wait (about 21 s) holds, and this bound is not kept.
inline constexpr std::chrono::milliseconds kConnectTimeout{5000};
// A module answers within a second, and a wait for it ends one quiet second
// after its answer: about 1 s, 2 s when the text comes in a later chunk. A
// peer that drips bytes under the quiet second, or streams text without the
// awaited one, would hold a wait for minutes; past this the wait gives up
// (-1), at the latest one receive time-out (1 s) later.
inline constexpr std::chrono::milliseconds kWaitLimit{10000};
inline constexpr std::size_t kOpeningDiscard = 9;
inline constexpr std::size_t kChunkCapacity = 256;
inline constexpr std::chrono::milliseconds kChunkPause{50};
// A backstop to kWaitLimit that needs no clock: past this many chunks a wait
// gives up even on a transport whose time does not move.
inline constexpr int kMaxWaitChunks = 2048;

// The first byte of a module's answer arrives a round trip after the request:
// on a LAN at once, over Wi-Fi or a VPN up to a second, which would eat the
// whole receive time-out. So the first receive after each send (and after the
// connect) may wait longer by the longest round trip seen so far on the
// connection: the connect itself, and every wait from a send to the first
// byte of its answer. On a LAN that is next to nothing and every wait is as
// it always was. Nothing on the wire changes; a module that does not answer
// at all is only given up on later. Capped, so one slow answer cannot make
// every later failure slow.
inline constexpr std::chrono::milliseconds kMaxAnswerAllowance{2000};
// On a link that loses segments an answer may come late by its
// retransmissions (200 ms, then 400 ms more, ...): a caller that would
// rather wait than fail may let the first byte of each answer come this much
// later (TelnetSocket::lateAnswer). A module that answers in time sees no
// change; one that does not answer is only given up on later.
inline constexpr std::chrono::milliseconds kLateAnswer{1000};
// Once the link has shown itself lossy. A connection whose opening needed a
// retransmission has no measured round trip, and its first retransmission
// of data comes only after 3 s (TCP's fallback time-out), the next 6 s
// later; otherwise they come after 0.2, 0.4, 0.8, 1.6 s, and soon outlast
// the quiet second that ends a wait.
inline constexpr std::chrono::milliseconds kLossyLateAnswer{3000};
// A connect that took this long had its opening retransmitted: the link
// loses, and the connection's own time-outs start at TCP's fallback.
inline constexpr std::chrono::milliseconds kRetransmittedConnect{900};
// The byte stream under a monitor connection. The real one is a TCP socket;
// tests and fuzzers put a scripted one in its place, so the download's
// reading of a module's answer can be driven from plain bytes.
class Transport {
  public:
    virtual ~Transport() = default;
    // One receive call for at most `capacity` bytes. 0 with `received` 0
    // means the peer closed; a non-zero result is a socket error number (a
    // quiet second reads as the time-out error).
    virtual int receive(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) = 0;
    virtual int send(const std::uint8_t* data, std::size_t size) = 0;
    virtual void close() = 0;
    // The pause between the chunks of a wait; a fake may skip it.
    virtual void pause(std::chrono::milliseconds duration);
    // The clock a wait's overall bound is measured on; a fake may keep its own.
    virtual std::chrono::steady_clock::time_point now() const;
    // True when the next receive hands out bytes that have already arrived:
    // a bound is then not yet in question, and the clock need not be read
    // for every byte of a download.
    virtual bool holdsUnreadBytes() const { return false; }
    // Waits up to `timeout` for a byte to read, without taking it; false when
    // none came. A fake whose bytes are always there answers at once.
    virtual bool waitReadable(std::chrono::milliseconds timeout);
};

// The connection socket variable the monitor operations work on: empty until
// `TelnetConnect` fills it, emptied again by `TelnetClose` or when it goes out
// of scope, so no path can leave a connection open.
struct TelnetSocket {
    std::unique_ptr<Transport> transport;
    bool isOpen() const { return transport != nullptr; }

    // The longest round trip seen on this link (see kMaxAnswerAllowance).
    std::chrono::milliseconds roundTrip{0};
    // When the tool last sent (or connected) and has not yet seen a byte since.
    std::optional<std::chrono::steady_clock::time_point> awaitingSince;
    bool allowanceTaken = false;  // the first receive since then has waited its allowance
    // How much later than the receive time-out the first byte of an answer,
    // and of each further chunk of a wait, may come (0 or kLateAnswer); set
    // before TelnetConnect, kept by it.
    std::chrono::milliseconds lateAnswer{0};
    // What lateAnswer becomes when the connect itself showed the link lossy
    // (kRetransmittedConnect); 0: it stays as it is.
    std::chrono::milliseconds lossyLateAnswer{0};
    // The link has shown itself lossy (set before TelnetConnect, or by it):
    // then every byte of an exact-count read may also come lateAnswer late,
    // for a segment lost in the middle of an answer waits for TCP to send
    // it again. The quiet second that ends a chunk stays as it is.
    bool lossy = false;
    bool answerDue = false;  // the next receive is the first byte of an answer

    TelnetSocket() = default;
    TelnetSocket(TelnetSocket&&) = default;
    TelnetSocket& operator=(TelnetSocket&& other) noexcept;  // closes what it held
    ~TelnetSocket();
};

using Chunk = std::array<char, kChunkCapacity>;

// Result codes: 0 success, a positive socket error number, -1 (waits only)
// for a text that was not seen.

// Opens a TCP connection to port 9999 of the address, giving up after
// kConnectTimeout (kTimedOut), sets the 1000 ms send and receive time-outs
// and throws away one opening receive of up to 9 bytes. Every send goes out
// at once (no coalescing): the module is paced by the gaps between sends. On
// failure nothing stays open.
[[nodiscard]] int TelnetConnect(TelnetSocket& socket, const platform::Ipv4Octets& address);

// Sends the text without its terminator and without any line end of its own.
[[nodiscard]] int TelnetSend(TelnetSocket& socket, const char* text);

// Receives exactly `count` bytes, one byte per receive of the transport, so
// that no byte past them is taken from the connection. On failure the
// bytes that did arrive stay at the front of `buffer`. A peer that closes
// early fails with platform::socket_error::kPeerClosed. On a lossy link
// (TelnetSocket::lossy) a byte may come lateAnswer later than the time-out.
[[nodiscard]] int TelnetRecv(TelnetSocket& socket, std::uint8_t* buffer, int count);

// One chunk of text: CR and LF are dropped; it ends after a quiet second,
// at a closed or failed connection, at a NUL (counted) or at 256 characters.
// A chunk shorter than 256 is terminated in `chunk`. Never fails.
int TelnetRecvChunk(TelnetSocket& socket, Chunk& chunk);

// Reads chunks, 50 ms apart, until one holds `pattern` wholly (0) or one is
// empty (-1). The wait as a whole ends after kWaitLimit (-1): the chunk being
// read then ends before its next byte and is still searched. With a
// lateAnswer, each chunk's first byte may come that much later, so that a
// text whose segment the link lost is still seen once TCP sends it again.
[[nodiscard]] int TelnetWaitString(TelnetSocket& socket, const char* pattern);

// TelnetWaitString for the echo of a record, after which the module's answer
// follows a quiet second later. `after` receives the last bytes, at most
// three and line ends included, that the chunk holding the pattern brought
// after it: on a link that holds the echo back (a lost segment waits for its
// retransmission) the answer may come within that second and end the chunk.
[[nodiscard]] int TelnetWaitEcho(TelnetSocket& socket, const char* pattern, std::string& after);

// The next receive is the first byte of an answer that follows the module's
// own text (a record's answer after its echo): it may come `lateAnswer` late.
void TelnetExpectAnswer(TelnetSocket& socket);

// True when the connection is open, the next byte asked for is not already
// there, and the clock is at or past `deadline`: a receive would then wait
// beyond a bound. Bytes that have arrived are handed out without reading the
// clock for each.
[[nodiscard]] bool TelnetWouldWaitPast(const TelnetSocket& socket,
                                       std::chrono::steady_clock::time_point deadline);

// The entry both transfers start with on a fresh connection: wait for
// "Mode", send "M", wait for ">". `afterMode` and `afterRequest` run between
// the steps, for the callers' own traces. 0, or the failing step's result.
[[nodiscard]] int EnterMonitorMode(TelnetSocket& socket, const std::function<void()>& afterMode,
                     const std::function<void()>& afterRequest);

// Closes the connection; nothing is sent first. Always 0.
int TelnetClose(TelnetSocket& socket);

}  // namespace quelvar::monitor
