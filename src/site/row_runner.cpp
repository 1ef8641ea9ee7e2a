#include "site/row_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/process.h"

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
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i) {
        threads.emplace_back([&] {
            for (std::size_t index = next.fetch_add(1); index < count; index = next.fetch_add(1)) {
                row(index);
            }
            std::lock_guard lock(mutex);
            ++done;
            ended.notify_all();
        });
    }
    {
        std::unique_lock lock(mutex);
        while (done < workers) {
            ended.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            if (watch) watch();
            lock.lock();
        }
    }
    for (std::thread& thread : threads) thread.join();
    return workers;
}

}  // namespace quelvar::site
