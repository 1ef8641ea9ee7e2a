// Windows runs a site's rows on threads: there are no fibers here.
#include "platform/fibers.h"

#include <thread>

namespace quelvar::platform::fibers {

bool Supported() { return false; }

bool OnFiber() { return false; }

bool Run(std::size_t, std::size_t, const std::function<void(std::size_t)>&,
         const std::function<void()>&, std::chrono::milliseconds) {
    return false;
}

bool WaitForDescriptor(int, bool, TimePoint) { return false; }

void SleepUntil(TimePoint deadline) { std::this_thread::sleep_until(deadline); }

void Offload(const std::function<void()>& work) { work(); }

}  // namespace quelvar::platform::fibers
