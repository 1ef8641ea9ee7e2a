#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/telnet.h"
#include "platform/socket.h"

namespace quelvar::testing {

// A monitor connection that plays a script instead of a module: bytes, quiet
// seconds (a receive that times out) and a close. When the script runs out the
// module stays quiet. Records what the tool sent and how it asked for bytes.
// Its clock moves only by the script: a quiet second, a pause, the gap
// before each dripped byte, and a wait for a byte that is not there yet.
class ScriptedTransport : public monitor::Transport {
  public:
    struct Log {
        std::string sent;
        std::vector<std::size_t> receiveSizes;  // capacity of every receive call
        int pauses = 0;
        bool closed = false;
    };

    explicit ScriptedTransport(std::shared_ptr<Log> log) : log_(std::move(log)) {}

    ScriptedTransport& bytes(std::string_view text) {
        for (char c : text) events_.push_back({Kind::Byte, static_cast<std::uint8_t>(c)});
        return *this;
    }
    // Each byte `gap` after the one before: a peer that never falls quiet for
    // a second and yet hardly sends anything.
    ScriptedTransport& drip(std::string_view text, std::chrono::milliseconds gap) {
        for (char c : text) events_.push_back({Kind::Byte, static_cast<std::uint8_t>(c), gap});
        return *this;
    }
    ScriptedTransport& quiet() {
        events_.push_back({Kind::Quiet, 0});
        return *this;
    }
    ScriptedTransport& closeConnection() {
        events_.push_back({Kind::Close, 0});
        return *this;
    }
    // Every byte of the script, one receive each: what a fuzzer feeds.
    ScriptedTransport& raw(const std::uint8_t* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) events_.push_back({Kind::Byte, data[i]});
        return *this;
    }

    int receive(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) override {
        log_->receiveSizes.push_back(capacity);
        received = 0;
        if (events_.empty()) {
            clock_ += monitor::kMonitorTimeout;
            return platform::socket_error::kTimedOut;
        }
        Event event = events_.front();
        switch (event.kind) {
            case Kind::Quiet:
                events_.pop_front();
                clock_ += monitor::kMonitorTimeout;
                return platform::socket_error::kTimedOut;
            case Kind::Close:
                return 0;  // stays closed
            case Kind::Byte:
                break;
        }
        clock_ += event.gap;
        while (received < capacity && !events_.empty() && events_.front().kind == Kind::Byte &&
               (received == 0 || events_.front().gap.count() == 0)) {
            buffer[received++] = events_.front().byte;
            events_.pop_front();
        }
        return 0;
    }
    int send(const std::uint8_t* data, std::size_t size) override {
        log_->sent.append(reinterpret_cast<const char*>(data), size);
        return 0;
    }
    void close() override { log_->closed = true; }
    void pause(std::chrono::milliseconds duration) override {
        ++log_->pauses;
        clock_ += duration;
    }
    // A byte is readable once its gap has passed; a quiet second or a close
    // is there at once, for the receive to find.
    bool waitReadable(std::chrono::milliseconds timeout) override {
        if (events_.empty()) {
            clock_ += timeout;
            return false;
        }
        Event& event = events_.front();
        if (event.kind == Kind::Byte && event.gap > timeout) {
            event.gap -= timeout;
            clock_ += timeout;
            return false;
        }
        clock_ += event.gap;
        event.gap = std::chrono::milliseconds{0};
        return true;
    }
    std::chrono::steady_clock::time_point now() const override {
        return std::chrono::steady_clock::time_point{} + clock_;
    }

  private:
    enum class Kind { Byte, Quiet, Close };
    struct Event {
        Kind kind;
        std::uint8_t byte;
        std::chrono::milliseconds gap{0};
    };
    std::deque<Event> events_;
    std::chrono::milliseconds clock_{0};
    std::shared_ptr<Log> log_;
};

// A TelnetSocket around a script; `log` sees what happened on it.
inline ScriptedTransport& OpenScripted(monitor::TelnetSocket& socket,
                                       std::shared_ptr<ScriptedTransport::Log> log) {
    auto transport = std::make_unique<ScriptedTransport>(std::move(log));
    ScriptedTransport& script = *transport;
    socket.transport = std::move(transport);
    return script;
}

}  // namespace quelvar::testing
