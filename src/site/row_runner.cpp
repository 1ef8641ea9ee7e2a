#include "site/row_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/process.h"
#include "platform/threads.h"

namespace quelvar::site {

std::size_t RunRows(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& row,
                    const std::function<void()>& watch) {
    if (count == 0) return 0;
    std::size_t workers = jobs == 0 ? count : jobs;
    workers = std::clamp<std::size_t>(workers, 1, std::min(count, kMaxWorkers));
    platform::raiseOpenFileLimit(workers * kDescriptorsPerRow + 64);

    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable ended;
    std::size_t done = 0;
    auto work = [&] {
        for (std::size_t index = next.fetch_add(1); index < count; index = next.fetch_add(1)) {
            row(index);
        }
        std::lock_guard lock(mutex);
        ++done;
        ended.notify_all();
    };
    // The rows are taken in turn by whichever worker is free: when the system
    // starts fewer threads than asked for, those take every row all the same.
    platform::ThreadGroup threads(kRowStackBytes);
    std::size_t started = 0;
    while (started < workers && threads.start(work)) ++started;
    if (started == 0) {
        work();  // no thread at all: one row after the other, here
        return 1;
    }
    {
        std::unique_lock lock(mutex);
        while (done < started) {
            ended.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            if (watch) watch();
            lock.lock();
        }
    }
    threads.joinAll();
    return started;
}

}  // namespace quelvar::site
