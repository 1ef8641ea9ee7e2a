// Fibers on ucontext, one epoll wait per wake-up of the thread that runs them.
#include "platform/fibers.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// The sanitizers follow a switch of stacks only when told of it.
#if defined(__SANITIZE_ADDRESS__)
#define QUELVAR_FIBERS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUELVAR_FIBERS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define QUELVAR_FIBERS_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUELVAR_FIBERS_TSAN 1
#endif
#endif
#ifdef QUELVAR_FIBERS_ASAN
#include <sanitizer/common_interface_defs.h>
#endif
#ifdef QUELVAR_FIBERS_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace quelvar::platform::fibers {

namespace {

using Clock = std::chrono::steady_clock;

// Deep enough for an operation with its trace, its file and its answers;
// only the pages a fiber touches take memory. The sanitizers' frames are
// several times larger.
#if defined(QUELVAR_FIBERS_ASAN) || defined(QUELVAR_FIBERS_TSAN)
constexpr std::size_t kStackSize = 1024 * 1024;
#else
constexpr std::size_t kStackSize = 256 * 1024;
#endif
// Flushes of files that go on at once: enough for the disk to take many
// together, few enough to start quickly.
constexpr std::size_t kHelperThreads = 16;
constexpr int kEventsPerWait = 256;

struct Fiber;
using Timers = std::multimap<Clock::time_point, Fiber*>;

struct Fiber {
    ucontext_t context{};
    void* stack = nullptr;
    std::size_t index = 0;
    bool finished = false;
    bool waiting = false;   // stepped aside, not yet woken
    bool timedOut = false;  // woken by its deadline, not its descriptor
    int descriptor = -1;    // the descriptor it waits on, registered with epoll
    bool hasTimer = false;
    Timers::iterator timer;
#ifdef QUELVAR_FIBERS_ASAN
    void* fakeStack = nullptr;
#endif
#ifdef QUELVAR_FIBERS_TSAN
    void* tsanFiber = nullptr;
#endif
};

// Runs offloaded work; each finished piece wakes its fiber's thread through
// an eventfd that the thread's epoll waits on with the rest.
class Helpers {
  public:
    explicit Helpers(int wakeDescriptor) : wake_(wakeDescriptor) {}
    ~Helpers() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        more_.notify_all();
        for (std::thread& thread : threads_) thread.join();
    }

    void post(Fiber* fiber, const std::function<void()>* work) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back({fiber, work});
            if (threads_.size() < kHelperThreads && idle_ == 0) {
                threads_.emplace_back([this] { serve(); });
            }
        }
        more_.notify_one();
    }

    // The fibers whose work is done since the last call.
    std::vector<Fiber*> takeDone() {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t ignored = ::read(wake_, &count, sizeof count);
        std::lock_guard lock(mutex_);
        return std::exchange(done_, {});
    }

  private:
    struct Job {
        Fiber* fiber;
        const std::function<void()>* work;
    };

    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            more_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            --idle_;
            if (queue_.empty()) return;
            Job job = queue_.front();
            queue_.pop_front();
            lock.unlock();
            (*job.work)();
            lock.lock();
            done_.push_back(job.fiber);
            const std::uint64_t one = 1;
            [[maybe_unused]] ssize_t ignored = ::write(wake_, &one, sizeof one);
        }
    }

    int wake_;
    std::mutex mutex_;
    std::condition_variable more_;
    std::deque<Job> queue_;
    std::vector<Fiber*> done_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

class Loop;
thread_local Loop* tLoop = nullptr;

class Loop {
  public:
    explicit Loop(const std::function<void(std::size_t)>& task)
        : task_(task),
          epoll_(::epoll_create1(EPOLL_CLOEXEC)),
          wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (!usable()) return;
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.ptr = nullptr;  // the helpers' word
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &event);
#ifdef QUELVAR_FIBERS_TSAN
        tsanLoop_ = __tsan_get_current_fiber();
#endif
    }
    ~Loop() {
        helpers_.reset();
        if (wake_ >= 0) ::close(wake_);
        if (epoll_ >= 0) ::close(epoll_);
    }

    // False when the system gave no epoll or eventfd (out of descriptors).
    bool usable() const { return epoll_ >= 0 && wake_ >= 0; }

    void run(std::size_t count, std::size_t concurrent, const std::function<void()>& tick,
             std::chrono::milliseconds tickEvery) {
        tLoop = this;
        std::size_t next = 0, live = 0;
        Clock::time_point tickDue = Clock::now() + tickEvery;
        while (next < count || live > 0) {
            startMore(next, live, count, concurrent);
            while (!ready_.empty()) {
                Fiber* fiber = ready_.front();
                ready_.pop_front();
                resume(fiber);
                if (fiber->finished) {
                    finish(fiber);
                    --live;
                    startMore(next, live, count, concurrent);
                }
            }
            if (live == 0) break;
            waitForEvents(std::min(tickDue, timers_.empty() ? tickDue : timers_.begin()->first));
            const Clock::time_point now = Clock::now();
            while (!timers_.empty() && timers_.begin()->first <= now) {
                wake(timers_.begin()->second, true);
            }
            if (tick && now >= tickDue) {
                tick();
                tickDue = now + tickEvery;
            }
        }
        tLoop = nullptr;
    }

    bool onFiber() const { return current_ != nullptr; }

    bool waitFor(int descriptor, bool forWriting, Clock::time_point deadline) {
        Fiber* fiber = current_;
        epoll_event event{};
        event.events = forWriting ? EPOLLOUT : EPOLLIN;
        event.data.ptr = fiber;
        if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, descriptor, &event) != 0) {
            // Not one epoll takes (it always should for a socket): wait on it alone.
            pollfd entry{descriptor, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            return ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0))) > 0;
        }
        fiber->descriptor = descriptor;
        suspend(fiber, deadline);
        return !fiber->timedOut;
    }

    void sleepUntil(Clock::time_point deadline) { suspend(current_, deadline); }

    void offload(const std::function<void()>& work) {
        Fiber* fiber = current_;
        if (!helpers_) helpers_ = std::make_unique<Helpers>(wake_);
        helpers_->post(fiber, &work);
        suspend(fiber, Clock::time_point::max());
    }

  private:
    // Starts tasks up to the bound. Where no stack can be had for one, the
    // next waits for a running one to end; with none running it runs here,
    // off any fiber, its waits blocking the thread as they would elsewhere.
    void startMore(std::size_t& next, std::size_t& live, std::size_t count,
                   std::size_t concurrent) {
        while (live < concurrent && next < count) {
            Fiber* fiber = start(next);
            if (fiber == nullptr && live > 0) return;
            if (fiber == nullptr) {
                tLoop = nullptr;
                task_(next++);
                tLoop = this;
                continue;
            }
            ++next;
            ++live;
            ready_.push_back(fiber);
        }
    }

    static void entry() {
        Loop& loop = *tLoop;
        Fiber* fiber = loop.current_;
        loop.arrived(fiber);
        loop.task_(fiber->index);
        fiber->finished = true;
        loop.switchToLoop(fiber);
    }

    Fiber* start(std::size_t index) {
        auto fiber = std::make_unique<Fiber>();
        fiber->index = index;
        void* stack = ::mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (stack == MAP_FAILED) return nullptr;
        // A fiber that runs off its stack faults here instead of writing past it.
        ::mprotect(stack, static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)), PROT_NONE);
        fiber->stack = stack;
        ::getcontext(&fiber->context);
        fiber->context.uc_stack.ss_sp = stack;
        fiber->context.uc_stack.ss_size = kStackSize;
        fiber->context.uc_link = nullptr;
        ::makecontext(&fiber->context, &Loop::entry, 0);
#ifdef QUELVAR_FIBERS_TSAN
        fiber->tsanFiber = __tsan_create_fiber(0);
#endif
        return fiber.release();
    }

    void finish(Fiber* fiber) {
#ifdef QUELVAR_FIBERS_TSAN
        __tsan_destroy_fiber(fiber->tsanFiber);
#endif
        ::munmap(fiber->stack, kStackSize);
        delete fiber;
    }

    // From the loop into the fiber, until it steps aside or ends.
    void resume(Fiber* fiber) {
        current_ = fiber;
#ifdef QUELVAR_FIBERS_ASAN
        __sanitizer_start_switch_fiber(&loopFakeStack_, fiber->stack, kStackSize);
#endif
#ifdef QUELVAR_FIBERS_TSAN
        __tsan_switch_to_fiber(fiber->tsanFiber, 0);
#endif
        ::swapcontext(&loopContext_, &fiber->context);
#ifdef QUELVAR_FIBERS_ASAN
        __sanitizer_finish_switch_fiber(loopFakeStack_, nullptr, nullptr);
#endif
        current_ = nullptr;
    }

    // From the fiber back into the loop; returns when the fiber is resumed.
    void switchToLoop(Fiber* fiber) {
#ifdef QUELVAR_FIBERS_ASAN
        // A fiber that has ended leaves nothing to come back to.
        __sanitizer_start_switch_fiber(fiber->finished ? nullptr : &fiber->fakeStack,
                                       loopStackBottom_, loopStackSize_);
#endif
#ifdef QUELVAR_FIBERS_TSAN
        __tsan_switch_to_fiber(tsanLoop_, 0);
#endif
        ::swapcontext(&fiber->context, &loopContext_);
        arrived(fiber);
    }

    // The first thing a fiber does on its own stack, each time it runs again.
    void arrived([[maybe_unused]] Fiber* fiber) {
#ifdef QUELVAR_FIBERS_ASAN
        __sanitizer_finish_switch_fiber(fiber->fakeStack, &loopStackBottom_, &loopStackSize_);
#endif
    }

    void suspend(Fiber* fiber, Clock::time_point deadline) {
        fiber->waiting = true;
        fiber->timedOut = false;
        fiber->hasTimer = deadline != Clock::time_point::max();
        if (fiber->hasTimer) fiber->timer = timers_.emplace(deadline, fiber);
        switchToLoop(fiber);
    }

    void wake(Fiber* fiber, bool timedOut) {
        if (!fiber->waiting) return;
        fiber->waiting = false;
        fiber->timedOut = timedOut;
        if (fiber->hasTimer) {
            timers_.erase(fiber->timer);
            fiber->hasTimer = false;
        }
        if (fiber->descriptor >= 0) {
            ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fiber->descriptor, nullptr);
            fiber->descriptor = -1;
        }
        ready_.push_back(fiber);
    }

    void waitForEvents(Clock::time_point until) {
        // Rounded up: a pause may end late, never early.
        auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        epoll_event events[kEventsPerWait];
        int count = ::epoll_wait(epoll_, events, kEventsPerWait,
                                 static_cast<int>(std::max<long long>(left.count(), 0)));
        for (int i = 0; i < count; ++i) {
            auto* fiber = static_cast<Fiber*>(events[i].data.ptr);
            if (fiber != nullptr) {
                wake(fiber, false);
            } else if (helpers_) {
                for (Fiber* done : helpers_->takeDone()) wake(done, false);
            }
        }
    }

    const std::function<void(std::size_t)>& task_;
    int epoll_;
    int wake_;
    ucontext_t loopContext_{};
    Fiber* current_ = nullptr;
    Timers timers_;
    std::deque<Fiber*> ready_;
    std::unique_ptr<Helpers> helpers_;
#ifdef QUELVAR_FIBERS_ASAN
    void* loopFakeStack_ = nullptr;
    const void* loopStackBottom_ = nullptr;
    std::size_t loopStackSize_ = 0;
#endif
#ifdef QUELVAR_FIBERS_TSAN
    void* tsanLoop_ = nullptr;
#endif
};

}  // namespace

bool Supported() { return true; }

bool OnFiber() { return tLoop != nullptr && tLoop->onFiber(); }

bool Run(std::size_t count, std::size_t concurrent, const std::function<void(std::size_t)>& task,
         const std::function<void()>& tick, std::chrono::milliseconds tickEvery) {
    if (count == 0) return true;
    Loop loop(task);
    if (!loop.usable()) return false;
    loop.run(count, std::max<std::size_t>(concurrent, 1), tick, tickEvery);
    return true;
}

bool WaitForDescriptor(int descriptor, bool forWriting, TimePoint deadline) {
    return tLoop->waitFor(descriptor, forWriting, deadline);
}

void SleepUntil(TimePoint deadline) {
    if (OnFiber()) {
        tLoop->sleepUntil(deadline);
    } else {
        std::this_thread::sleep_until(deadline);
    }
}

void Offload(const std::function<void()>& work) {
    if (OnFiber()) {
        tLoop->offload(work);
    } else {
        work();
    }
}

}  // namespace quelvar::platform::fibers
