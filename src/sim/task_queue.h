#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <queue>
#include <vector>

namespace quelvar::sim {

// Delayed work for the farm's serving thread: a reply due after a module's
// configured delay, an address change, the end of a reset. Any thread may
// post; only the serving thread runs the tasks, so the tasks may touch the
// serving thread's state without locks.
class TaskQueue {
  public:
    using Clock = std::chrono::steady_clock;

    void post(Clock::time_point when, std::function<void()> task) {
        std::lock_guard lock(mutex_);
        tasks_.push(Entry{when, next_++, std::move(task)});
    }

    // Runs every task that is due, in the order of their times (and of posting
    // for equal times). Tasks posted while running wait for the next call.
    void runDue(Clock::time_point now) {
        std::vector<std::function<void()>> due;
        {
            std::lock_guard lock(mutex_);
            while (!tasks_.empty() && tasks_.top().when <= now) {
                due.push_back(std::move(const_cast<Entry&>(tasks_.top()).task));
                tasks_.pop();
            }
        }
        for (auto& task : due) task();
    }

    // When the earliest task is due, if there is one.
    std::optional<Clock::time_point> nextDue() const {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) return std::nullopt;
        return tasks_.top().when;
    }

    void clear() {
        std::lock_guard lock(mutex_);
        tasks_ = {};
    }

  private:
    struct Entry {
        Clock::time_point when;
        std::uint64_t order;
        std::function<void()> task;
        // Earliest first in std::priority_queue, which keeps the largest on top.
        bool operator<(const Entry& other) const {
            return when != other.when ? when > other.when : order > other.order;
        }
    };
    mutable std::mutex mutex_;
    std::priority_queue<Entry> tasks_;
    std::uint64_t next_ = 0;
};

}  // namespace quelvar::sim
