#include "ui/console/interrupt.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace quelvar::ui::console {

namespace {

// A signal handler may only touch lock-free atomics.
std::atomic<int> presses{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    if (presses.fetch_add(1) >= 1) std::_Exit(130);
    // Some platforms reset the handler on delivery.
    std::signal(SIGINT, onInterrupt);
}

}  // namespace

InterruptHandler::InterruptHandler() {
    presses = 0;
    std::signal(SIGINT, onInterrupt);
}

InterruptHandler::~InterruptHandler() {
    std::signal(SIGINT, SIG_DFL);
}

bool InterruptHandler::requested() {
    return presses.load() > 0;
}

}  // namespace quelvar::ui::console
