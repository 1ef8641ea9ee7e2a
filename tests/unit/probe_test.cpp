// The question whether an address is free, over sockets that fail at a
// chosen step: a probe that could not ask never passes for one that nobody
// answered, and any datagram that comes back, whatever its length, holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "discovery/datagrams.h"
#include "discovery/probe.h"
#include "platform/socket.h"

namespace quelvar::discovery {
namespace {

using Which = ProbeSockets::Which;

constexpr platform::Ipv4Octets kAsked{127, 0, 0, 40};
constexpr int kFailure = 105;  // any socket error number

// Sockets whose calls return what the test set; a receive delivers one
// datagram of `size` bytes from `sender` when one is set for that socket.
struct ScriptedSockets : ProbeSockets {
    std::array<int, 2> openError{};
    std::array<int, 2> sendError{};
    int waitError = 0;
    std::array<std::optional<int>, 2> arriving{};  // the receive's result, once
    std::size_t size = kSearchReplySize;
    platform::Ipv4Endpoint sender{kAsked, kDiscoveryPort};
    std::vector<Which> sent;

    int open(Which which) override { return openError[which]; }
    int send(Which which, std::span<const std::uint8_t>, const platform::Ipv4Endpoint&) override {
        if (sendError[which] == 0) sent.push_back(which);
        return sendError[which];
    }
    // Nothing to read ends the wait at once: the probe's own bound on its
    // passes ends it then, without a second of real time.
    int wait(std::chrono::milliseconds, std::array<bool, 2>& readable) override {
        readable = {arriving[0].has_value(), arriving[1].has_value()};
        return waitError;
    }
    int receive(Which which, std::span<std::uint8_t> buffer, std::size_t& received,
                platform::Ipv4Endpoint& from) override {
        const int result = arriving[which].value_or(0);
        arriving[which].reset();
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0x11});
        received = std::min(size, buffer.size());
        from = sender;
        return result;
    }
};

// Both ways of asking: the window's one status query first, and the
// console's tries of both requests at once.
Probe AskOnce(ScriptedSockets& sockets) { return ProbeAddressOnce(kAsked, sockets); }
Probe AskTwice(ScriptedSockets& sockets) { return ProbeAddress(kAsked, 2, sockets); }

TEST(Probe, EveryStepThatFailsLeavesTheAddressUnknownNotFree) {
    struct Case {
        const char* what;
        void (*fail)(ScriptedSockets&);
    };
    const Case cases[] = {
        {"no status socket", [](ScriptedSockets& s) { s.openError[Which::Status] = kFailure; }},
        {"the status query not sent", [](ScriptedSockets& s) { s.sendError[Which::Status] = kFailure; }},
        {"the wait", [](ScriptedSockets& s) { s.waitError = kFailure; }},
        {"the receive", [](ScriptedSockets& s) { s.arriving[Which::Status] = kFailure; }},
    };
    for (const Case& c : cases) {
        for (Probe (*ask)(ScriptedSockets&) : {AskOnce, AskTwice}) {
            SCOPED_TRACE(c.what);
            ScriptedSockets sockets;
            c.fail(sockets);
            const Probe probe = ask(sockets);
            EXPECT_FALSE(probe.anythingAnswered());
            EXPECT_EQ(probe.error, kFailure);
        }
    }
    // The console's probe opens and uses the search socket from the start.
    ScriptedSockets noSearchSocket;
    noSearchSocket.openError[Which::Search] = kFailure;
    EXPECT_EQ(AskTwice(noSearchSocket).error, kFailure);
    ScriptedSockets searchNotSent;
    searchNotSent.sendError[Which::Search] = kFailure;
    EXPECT_EQ(AskTwice(searchNotSent).error, kFailure);
}

TEST(Probe, AnAnswerOfAnyLengthHoldsTheAddress) {
    for (Probe (*ask)(ScriptedSockets&) : {AskOnce, AskTwice}) {
        ScriptedSockets longStatus;
        longStatus.size = 600;
        longStatus.arriving[Which::Status] = platform::socket_error::kMessageTooLong;
        const Probe status = ask(longStatus);
        EXPECT_TRUE(status.answered);
        EXPECT_TRUE(status.modules.empty());

        ScriptedSockets longSearchReply;
        longSearchReply.size = 31;
        longSearchReply.arriving[Which::Search] = platform::socket_error::kMessageTooLong;
        longSearchReply.arriving[Which::Status] = 0;
        EXPECT_TRUE(ask(longSearchReply).anythingAnswered());
    }
    // A search reply from elsewhere says nothing about the address asked.
    ScriptedSockets elsewhere;
    elsewhere.sender.octets = {127, 0, 0, 41};
    elsewhere.arriving[Which::Search] = 0;
    const Probe probe = AskTwice(elsewhere);
    EXPECT_FALSE(probe.anythingAnswered());
    EXPECT_EQ(probe.error, 0);
}

// What the network answers for the address is a fact, not a failure to ask:
// a refusal says a host is there (and ends the probe: no module will answer
// from a port that refuses), an unreachable host is as good as silence.
TEST(Probe, ARefusalHoldsTheAddressAndUnreachableIsSilence) {
    for (Probe (*ask)(ScriptedSockets&) : {AskOnce, AskTwice}) {
        ScriptedSockets refusing;
        refusing.arriving[Which::Status] = platform::socket_error::kDatagramRefused;
        const Probe refused = ask(refusing);
        EXPECT_TRUE(refused.refused);
        EXPECT_FALSE(refused.anythingAnswered());
        EXPECT_EQ(refused.error, 0);
        EXPECT_EQ(refusing.sent.front(), Which::Status);
        EXPECT_LE(refusing.sent.size(), 2u);  // one try, not two

        ScriptedSockets unreachable;
        unreachable.arriving[Which::Status] = platform::socket_error::kHostUnreachable;
        const Probe silent = ask(unreachable);
        EXPECT_FALSE(silent.refused);
        EXPECT_FALSE(silent.anythingAnswered());
        EXPECT_EQ(silent.error, 0);
    }
}

TEST(Probe, TheWindowAsksWhichModuleOnlyOnceSomethingAnswered) {
    ScriptedSockets silent;
    const Probe free = AskOnce(silent);
    EXPECT_FALSE(free.anythingAnswered());
    EXPECT_EQ(free.error, 0);
    EXPECT_EQ(silent.sent, std::vector<Which>{Which::Status});

    ScriptedSockets held;
    held.arriving[Which::Status] = 0;
    held.arriving[Which::Search] = 0;
    const Probe named = AskOnce(held);
    EXPECT_EQ(held.sent, (std::vector<Which>{Which::Status, Which::Search}));
    ASSERT_EQ(named.modules.size(), 1u);
    EXPECT_EQ(named.modules[0].address.octets, kAsked);

    // Held, and the question which module failed: held all the same.
    ScriptedSockets unnamed;
    unnamed.arriving[Which::Status] = 0;
    unnamed.openError[Which::Search] = kFailure;
    const Probe probe = AskOnce(unnamed);
    EXPECT_TRUE(probe.anythingAnswered());
}

}  // namespace
}  // namespace quelvar::discovery
