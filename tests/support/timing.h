#pragma once

#include <chrono>

namespace quelvar::testing {

// Wall-clock seconds a piece of work took; for the waits the tool must keep.
template <typename F>
double SecondsOf(F&& body) {
    auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace quelvar::testing
