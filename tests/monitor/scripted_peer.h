#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/process.h"
#include "platform/socket.h"

namespace quelvar::testing {

// A one-connection module on 127.0.0.2:9999 that plays a script, then keeps
// reading what the tool sends until the tool closes (at most 10 s). Only for
// use inside a private network namespace.
class ScriptedPeer {
  public:
    using Script = std::function<void(platform::Socket&)>;

    explicit ScriptedPeer(Script script, platform::Ipv4Octets address = {127, 0, 0, 2}) {
        int error = 0;
        listener_ = platform::Socket::openTcp(error);
        static_cast<void>(listener_.setReuseAddress(true));
        listenError_ = listener_.bind({address, 9999});
        if (listenError_ == 0) listenError_ = listener_.listen(1);
        if (listenError_ == 0) thread_ = std::thread([this, script] { serve(script); });
    }
    ~ScriptedPeer() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
    }

    int listenError() const { return listenError_; }
    std::string received() {
        std::lock_guard lock(mutex_);
        return received_;
    }

    static void Send(platform::Socket& socket, const std::string& bytes) {
        static_cast<void>(socket.send(bytes.data(), bytes.size()));
    }
    static void Pause(int milliseconds) {
        platform::sleepFor(std::chrono::milliseconds(milliseconds));
    }

  private:
    void serve(const Script& script) {
        using namespace std::chrono_literals;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        bool readable = false;
        while (!readable && !done_ && std::chrono::steady_clock::now() < deadline) {
            static_cast<void>(listener_.waitReadable(100ms, readable));
        }
        if (!readable) return;
        int error = 0;
        platform::Socket connection = listener_.accept(error);
        if (error != 0) return;
        script(connection);
        while (std::chrono::steady_clock::now() < deadline) {
            static_cast<void>(connection.waitReadable(100ms, readable));
            if (!readable) {
                if (done_) return;
                continue;
            }
            char buffer[256];
            std::size_t count = 0;
            if (connection.receive(buffer, sizeof buffer, count) != 0 || count == 0) return;
            std::lock_guard lock(mutex_);
            received_.append(buffer, count);
        }
    }

    platform::Socket listener_;
    int listenError_ = 0;
    std::thread thread_;
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    std::string received_;
};

}  // namespace quelvar::testing
