#include <pthread.h>

#include <vector>

#include "platform/threads.h"

namespace quelvar::platform {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

void* runWork(void* argument) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(argument));
    (*work)();
    return nullptr;
}

}  // namespace

struct ThreadGroup::Impl {
    std::size_t stackBytes;
    std::vector<pthread_t> threads;
};

ThreadGroup::ThreadGroup(std::size_t stackBytes) : impl_(std::make_unique<Impl>()) {
    impl_->stackBytes = kSanitized ? 0 : stackBytes;
}

ThreadGroup::~ThreadGroup() { joinAll(); }

bool ThreadGroup::start(std::function<void()> work) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    if (impl_->stackBytes != 0) pthread_attr_setstacksize(&attributes, impl_->stackBytes);
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, runWork, owned.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) return false;
    owned.release();  // the thread owns it now
    impl_->threads.push_back(thread);
    return true;
}

void ThreadGroup::joinAll() {
    for (pthread_t thread : impl_->threads) pthread_join(thread, nullptr);
    impl_->threads.clear();
}

}  // namespace quelvar::platform
