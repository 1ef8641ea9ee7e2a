#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quelvar::app {

// One worker thread that runs the operations, one after the other, so a
// window keeps painting while an operation blocks on its sockets and pauses.
// Every window front-end uses it. Jobs never overlap; the window makes sure
// only one is queued at a time.
class OperationRunner {
  public:
    OperationRunner();
    ~OperationRunner();  // finishes the job in progress, drops the rest
    OperationRunner(const OperationRunner&) = delete;
    OperationRunner& operator=(const OperationRunner&) = delete;

    void post(std::function<void()> job);

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace quelvar::app
