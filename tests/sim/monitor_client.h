#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "sim/module.h"

namespace quelvar::sim::testing {

// The tool's side of a monitor or web connection, scripted by a test: it
// keeps everything it received, so a test can wait for a text and then look
// at the whole exchange.
class ScriptedConnection {
  public:
    // Connects at once; error() tells whether that worked.
    explicit ScriptedConnection(const platform::Ipv4Endpoint& to);

    int error() const { return error_; }
    // Whether the peer closed the connection, as a read found.
    bool closed() const { return closed_; }
    bool send(std::string_view text);
    // Reads until `wanted` has arrived since `from` (an offset into
    // received()), the peer closes, or `limit` passes. True when it arrived.
    bool readUntil(std::string_view wanted, std::size_t from = 0,
                   std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Reads until `count` bytes arrived in all, the peer closes, or `limit` passes.
    bool readCount(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Reads until nothing arrives for `quiet`, or the peer closes.
    void readUntilQuiet(std::chrono::milliseconds quiet);
    const std::string& received() const { return received_; }

  private:
    bool readSome(std::chrono::milliseconds wait);

    platform::Socket socket_;
    int error_ = 0;
    bool closed_ = false;
    std::string received_;
};

// A data line of a record write: ':', count, offset, type 10, the bytes and
// the checksum, in upper-case hexadecimal, without a line end.
std::string WriteDataLine(const std::uint8_t* bytes, int count, int offset);

// Waits for the banner, asks for monitor mode and waits for its prompt.
bool EnterMonitorMode(ScriptedConnection& connection);

// Writes setup record `number` as the tool does, in monitor mode: "S<n>",
// its data lines, the end record, then waits for the module's answer. True
// when the module took the record.
bool WriteRecord(ScriptedConnection& connection, int number, const Bytes& data);

}  // namespace quelvar::sim::testing
