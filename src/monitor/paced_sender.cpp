#include "monitor/paced_sender.h"

#include <condition_variable>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

#include "monitor/telnet.h"
#include "monitor/transfer_hooks.h"
#include "platform/fibers.h"
#include "platform/process.h"
#include "platform/socket.h"

namespace quelvar::monitor {

namespace {

using Clock = std::chrono::steady_clock;

// The caller waits on a lock of its own, so that the word that it may go on
// never finds it held by the queue, and the sending thread gives that word
// after letting go of the lock, so that the caller does not wake only to
// wait for it. Shared, so that it outlives a caller that returns at once.
struct Completion {
    std::mutex mutex;
    std::condition_variable signal;
    bool over = false;
};

// One caller's sequence, on the caller's stack while it waits.
struct Sequence {
    Transport* transport = nullptr;
    std::span<const PacedText> texts;
    std::size_t next = 0;  // the text to send when it falls due
    Clock::time_point stepped{};  // when the text before it went out (or its pause began)
    PacedResult result;
    std::shared_ptr<Completion> completion = std::make_shared<Completion>();
};

struct Due {
    Clock::time_point when;
    std::uint64_t order;  // first come, first sent among those due together
    Sequence* sequence;
    bool operator>(const Due& other) const {
        return when != other.when ? when > other.when : order > other.order;
    }
};

class PacedSender {
  public:
    PacedResult run(Transport& transport, std::span<const PacedText> texts) {
        Sequence sequence;
        sequence.transport = &transport;
        sequence.texts = texts;
        // Texts due at once (the first, and any after a pause of nothing)
        // are the caller's to send: it is awake anyway.
        do {
            if (step(sequence)) return sequence.result;
        } while (texts[sequence.next - 1].after.count() == 0);
        const Clock::time_point when = sequence.stepped + texts[sequence.next - 1].after;
        bool sooner = false;
        {
            std::lock_guard lock(mutex_);
            if (!started_) {
                std::thread([this] { loop(); }).detach();
                started_ = true;
            }
            // The sending thread need only hear of it when it is due before
            // the time that thread already means to wake at.
            sooner = queue_.empty() || when < queue_.top().when;
            schedule(sequence, when);
        }
        // Outside the lock, so that the thread does not wake only to wait for it.
        if (sooner) wake_.notify_one();
        std::unique_lock lock(sequence.completion->mutex);
        sequence.completion->signal.wait(lock, [&] { return sequence.completion->over; });
        return sequence.result;
    }

  private:
    void schedule(Sequence& sequence, Clock::time_point when) {
        queue_.push(Due{when, order_++, &sequence});
    }

    void loop() {
        std::vector<Sequence*> ready;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (queue_.empty()) {
                wake_.wait(lock);
                continue;
            }
            const Clock::time_point now = Clock::now();
            if (queue_.top().when > now) {
                // Waking a little after the first due send lets those that
                // fall due just after it go out on the same wake-up; a
                // connection on its own is sent for on time.
                const auto grouping = queue_.size() > 1 ? kGrouping : Clock::duration::zero();
                wake_.wait_until(lock, queue_.top().when + grouping);
                if (Clock::now() < queue_.top().when) continue;  // a new, earlier one
            }
            const Clock::time_point reached = Clock::now();
            while (!queue_.empty() && queue_.top().when <= reached) {
                ready.push_back(queue_.top().sequence);
                queue_.pop();
            }
            lock.unlock();
            std::size_t kept = 0;
            for (Sequence* sequence : ready) {
                if (step(*sequence)) {
                    // Once `over` is set the caller may return and the
                    // sequence be gone; its completion stays while held here.
                    std::shared_ptr<Completion> completion = sequence->completion;
                    {
                        std::lock_guard over(completion->mutex);
                        completion->over = true;
                    }
                    completion->signal.notify_one();
                } else {
                    ready[kept++] = sequence;
                }
            }
            ready.resize(kept);
            lock.lock();
            for (Sequence* sequence : ready) {
                schedule(*sequence, sequence->stepped + sequence->texts[sequence->next - 1].after);
            }
            ready.clear();
        }
    }

    // Sends the sequence's next text; true when the sequence is over (its
    // last pause has passed, or the send failed). A scheduled sequence is
    // touched by the sending thread alone, so this needs no lock.
    static bool step(Sequence& sequence) {
        if (sequence.next == sequence.texts.size()) return true;
        const std::string& text = sequence.texts[sequence.next].text;
        if (text.empty()) {
            sequence.stepped = Clock::now();  // a pause alone
        } else {
            int error = sequence.transport->send(reinterpret_cast<const std::uint8_t*>(text.data()),
                                                 text.size());
            if (error != 0) {
                sequence.result.error = error;
                return true;
            }
            sequence.stepped = sequence.result.lastSend = Clock::now();
            ++sequence.result.sent;
        }
        ++sequence.next;
        return false;
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> queue_;
    std::uint64_t order_ = 0;
    bool started_ = false;
};

// Each text, then its pause, on the calling thread (or fiber).
PacedResult sendThenPause(TelnetSocket& socket, std::span<const PacedText> texts,
                          const std::function<void(std::chrono::milliseconds)>& pause) {
    PacedResult result;
    for (const PacedText& text : texts) {
        if (!text.text.empty()) {
            if (int code = TelnetSend(socket, text.text.c_str())) {
                result.error = code;
                return result;
            }
            result.lastSend = Clock::now();
            ++result.sent;
        }
        if (text.after.count() > 0) pause(text.after);
    }
    return result;
}

}  // namespace

PacedResult TelnetSendPaced(TelnetSocket& socket, std::span<const PacedText> texts) {
    if (!socket.isOpen()) return {platform::socket_error::kPeerClosed};
    // Never destroyed: its thread may still be waiting when the process
    // ends, and nothing needs tearing down then.
    static PacedSender* sender = new PacedSender;
    // On a fiber every pause is already one entry of the one wait that
    // serves all of its thread's connections: the fiber sends and pauses on
    // its own.
    PacedResult result = platform::fibers::OnFiber()
                             ? sendThenPause(socket, texts, platform::sleepFor)
                             : sender->run(*socket.transport, texts);
    if (result.sent > 0) {
        socket.awaitingSince = result.lastSend;
        socket.allowanceTaken = false;
        socket.answerDue = true;
    }
    return result;
}

PacedResult SendInTurn(TelnetSocket& socket, std::span<const PacedText> texts,
                       const TransferHooks& hooks) {
    if (hooks.sendPaced) return hooks.sendPaced(socket, texts);
    return sendThenPause(socket, texts, hooks.pause);
}

}  // namespace quelvar::monitor
