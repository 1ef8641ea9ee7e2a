#include "monitor_client.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace quelvar::sim::testing {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

ScriptedConnection::ScriptedConnection(const platform::Ipv4Endpoint& to) {
    socket_ = platform::Socket::openTcp(error_);
    if (error_ == 0) error_ = socket_.connect(to, 2000ms);
}

bool ScriptedConnection::send(std::string_view text) {
    return error_ == 0 && socket_.send(text.data(), text.size()) == 0;
}

bool ScriptedConnection::readSome(std::chrono::milliseconds wait) {
    if (error_ != 0 || closed_) return false;
    bool readable = false;
    if (socket_.waitReadable(wait, readable) != 0 || !readable) return false;
    char buffer[1024];
    std::size_t count = 0;
    if (socket_.receive(buffer, sizeof buffer, count) != 0 || count == 0) {
        closed_ = true;
        return false;
    }
    received_.append(buffer, count);
    return true;
}

bool ScriptedConnection::readUntil(std::string_view wanted, std::size_t from,
                                   std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    auto found = [&] {
        return received_.find(wanted, std::min(from, received_.size())) != std::string::npos;
    };
    while (!found() && Clock::now() < end && !closed_ && error_ == 0) readSome(100ms);
    return found();
}

bool ScriptedConnection::readCount(std::size_t count, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (received_.size() < count && Clock::now() < end && !closed_ && error_ == 0) {
        readSome(100ms);
    }
    return received_.size() >= count;
}

void ScriptedConnection::readUntilQuiet(std::chrono::milliseconds quiet) {
    for (int n = 0; n < 10000 && readSome(quiet); ++n) {
    }
}

std::string WriteDataLine(const std::uint8_t* bytes, int count, int offset) {
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X10", count, offset);
    std::string line = text;
    unsigned sum = static_cast<unsigned>(count + (offset >> 8) + offset + 0x10);
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%02X", bytes[i]);
        line += text;
        sum += bytes[i];
    }
    std::snprintf(text, sizeof text, "%02X", (0x100u - (sum & 0xFFu)) & 0xFFu);
    return line + text;
}

bool EnterMonitorMode(ScriptedConnection& connection) {
    if (!connection.readUntil("Mode") || !connection.send("M")) return false;
    return connection.readUntil(">", connection.received().find("Mode"));
}

bool WriteRecord(ScriptedConnection& connection, int number, const Bytes& data) {
    const std::size_t start = connection.received().size();
    if (!connection.send("S" + std::to_string(number) + "\r\n")) return false;
    const int size = static_cast<int>(data.size());
    for (int offset = 0; offset < size; offset += 32) {
        int count = std::min(32, size - offset);
        if (!connection.send(WriteDataLine(data.data() + offset, count, offset))) return false;
        std::this_thread::sleep_for(10ms);  // the tool's pacing: lines carry no line end
    }
    if (!connection.send(":00000001FF")) return false;
    // The echo, a pause, then 3 bytes whose second says whether the record was taken.
    return connection.readUntil(">", start, 5s) &&
           connection.received().find("\n0>", start) != std::string::npos;
}

}  // namespace quelvar::sim::testing
