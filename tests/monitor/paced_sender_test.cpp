// The one thread that sends paced texts for every connection.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "monitor/paced_sender.h"
#include "monitor/telnet.h"
#include "platform/fibers.h"
#include "platform/socket.h"

namespace quelvar::monitor {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Notes when each text went out; fails the send of `failing` (0: none).
class RecordingTransport : public Transport {
  public:
    struct Sent {
        std::string text;
        Clock::time_point at;
    };
    explicit RecordingTransport(int failing = 0) : failing_(failing) {}

    int receive(std::uint8_t*, std::size_t, std::size_t& received) override {
        received = 0;
        return platform::socket_error::kTimedOut;
    }
    int send(const std::uint8_t* data, std::size_t size) override {
        std::lock_guard lock(mutex_);
        if (++attempts_ == failing_) return platform::socket_error::kPeerClosed;
        sent_.push_back({std::string(reinterpret_cast<const char*>(data), size), Clock::now()});
        return 0;
    }
    void close() override {}

    std::vector<Sent> sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    int attempts() const {
        std::lock_guard lock(mutex_);
        return attempts_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Sent> sent_;
    int attempts_ = 0;
    int failing_;
};

TelnetSocket socketOver(std::unique_ptr<RecordingTransport> transport) {
    TelnetSocket socket;
    socket.transport = std::move(transport);
    return socket;
}

// Many connections at once, each with its own texts: every one gets them in
// order, one send each, no pause shorter than asked, and its caller goes on
// only after the last pause. Callers on threads share the sending thread;
// on fibers each sends and pauses on its own.
constexpr int kConnections = 24;

std::vector<std::string> SendOnEveryConnection(bool onFibers) {
    std::vector<std::string> problems(kConnections);
    auto connection = [&problems](int n) {
        auto owned = std::make_unique<RecordingTransport>();
        RecordingTransport& transport = *owned;
        TelnetSocket socket = socketOver(std::move(owned));
        const std::string tag = std::to_string(n);
        const std::vector<PacedText> texts = {{{}, milliseconds(n % 3 * 7)},
                                              {"S" + tag, milliseconds(30)},
                                              {"line1-" + tag, milliseconds(10)},
                                              {"line2-" + tag, milliseconds(10)},
                                              {"end-" + tag, milliseconds(20)}};
        const Clock::time_point started = Clock::now();
        const PacedResult result = TelnetSendPaced(socket, texts);
        const Clock::time_point returned = Clock::now();
        const std::vector<RecordingTransport::Sent> sent = transport.sent();
        std::string& problem = problems[static_cast<std::size_t>(n)];
        if (result.error != 0 || result.sent != 4 || sent.size() != 4) {
            problem = "not all sent";
            return;
        }
        // Each text's pause runs from the send before it (the first from the call).
        Clock::time_point previous = started;
        for (std::size_t i = 0; i < sent.size(); ++i) {
            if (sent[i].text != texts[i + 1].text) problem += " order";
            if (sent[i].at - previous < texts[i].after) problem += " short pause";
            previous = sent[i].at;
        }
        if (returned - sent.back().at < texts.back().after) problem += " early return";
        if (result.lastSend < sent.back().at) problem += " last send";
        if (!socket.awaitingSince || *socket.awaitingSince != result.lastSend) {
            problem += " answer wait not started";
        }
    };
    if (!onFibers || !platform::fibers::Run(
                         kConnections, kConnections,
                         [&](std::size_t n) { connection(static_cast<int>(n)); }, {},
                         milliseconds(100))) {
        std::vector<std::thread> callers;
        for (int n = 0; n < kConnections; ++n) callers.emplace_back(connection, n);
        for (std::thread& caller : callers) caller.join();
    }
    return problems;
}

TEST(PacedSender, EveryConnectionGetsItsTextsInOrderWithItsPauses) {
    for (bool onFibers : {false, true}) {
        std::vector<std::string> problems = SendOnEveryConnection(onFibers);
        for (int n = 0; n < kConnections; ++n) {
            EXPECT_EQ(problems[static_cast<std::size_t>(n)], "")
                << "connection " << n << (onFibers ? " on a fiber" : " on a thread");
        }
    }
}

TEST(PacedSender, AFailedSendEndsTheSequenceAndTellsHowFarItGot) {
    auto owned = std::make_unique<RecordingTransport>(2);
    RecordingTransport& transport = *owned;
    TelnetSocket socket = socketOver(std::move(owned));
    const std::vector<PacedText> texts = {
        {"S1", milliseconds(5)}, {"line", milliseconds(5)}, {"end", milliseconds(5)}};
    const PacedResult result = TelnetSendPaced(socket, texts);
    EXPECT_EQ(result.error, platform::socket_error::kPeerClosed);
    EXPECT_EQ(result.sent, 1u);
    EXPECT_EQ(transport.attempts(), 2);  // nothing after the failed one
}

}  // namespace
}  // namespace quelvar::monitor
