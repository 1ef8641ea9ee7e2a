#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace quelvar::platform {

// Threads for work that spends its time waiting in blocking calls, many at
// once (a site's rows): each with a stack of `stackBytes` where the system
// lets a program choose it, since such work needs a fraction of the default
// (8 MiB on Linux) and a thousand smaller stacks cost the system less to set
// up and tear down. Under the sanitizers, which need far more stack, the
// system's default. Every thread started is joined by joinAll() or the
// destructor.
class ThreadGroup {
  public:
    explicit ThreadGroup(std::size_t stackBytes);
    ~ThreadGroup();
    ThreadGroup(const ThreadGroup&) = delete;
    ThreadGroup& operator=(const ThreadGroup&) = delete;

    // False when the system would not start another thread (the work is then
    // not run).
    bool start(std::function<void()> work);
    void joinAll();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quelvar::platform
