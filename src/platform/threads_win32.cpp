#include <system_error>
#include <thread>
#include <vector>

#include "platform/threads.h"

namespace quelvar::platform {

// Windows reserves a thread's stack as the program's header says and commits
// it only as it is used: the system's own threads serve.
struct ThreadGroup::Impl {
    std::vector<std::thread> threads;
};

ThreadGroup::ThreadGroup(std::size_t) : impl_(std::make_unique<Impl>()) {}

ThreadGroup::~ThreadGroup() { joinAll(); }

bool ThreadGroup::start(std::function<void()> work) {
    try {
        impl_->threads.emplace_back(std::move(work));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ThreadGroup::joinAll() {
    for (std::thread& thread : impl_->threads) thread.join();
    impl_->threads.clear();
}

}  // namespace quelvar::platform
