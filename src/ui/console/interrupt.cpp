#include "ui/console/interrupt.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace quelvar::ui::console {

namespace {

// A signal handler may only touch lock-free atomics.
std::atomic<int> presses{0};
std::atomic<int> writing{0};
std::atomic<bool> held{false};
std::atomic<bool> stopBetweenRows{true};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    const int press = presses.fetch_add(1) + 1;
    // The press that ends the program: the second over many rows, the first for one module.
    const int ending = stopBetweenRows.load() ? 2 : 1;
    if (press > ending || (press == ending && writing.load() == 0)) std::_Exit(130);
    if (press == ending) held.store(true);
    // Some platforms reset the handler on delivery.
    std::signal(SIGINT, onInterrupt);
}

}  // namespace

InterruptHandler::InterruptHandler(Mode mode) {
    presses = 0;
    held = false;
    stopBetweenRows = mode == Mode::StopBetweenRows;
    std::signal(SIGINT, onInterrupt);
}

InterruptHandler::~InterruptHandler() {
    std::signal(SIGINT, SIG_DFL);
}

bool InterruptHandler::requested() {
    return presses.load() > 0;
}

bool InterruptHandler::pressHeld() {
    return held.load();
}

InterruptHandler::Writing::Writing() {
    writing.fetch_add(1);
}

InterruptHandler::Writing::~Writing() {
    writing.fetch_sub(1);
}

}  // namespace quelvar::ui::console
