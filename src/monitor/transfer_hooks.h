#pragma once

#include <chrono>
#include <functional>
#include <string_view>

#include "monitor/paced_sends.h"

namespace quelvar::monitor {

// What a transfer does besides the connection: trace texts, progress
// positions and its pauses. Tests and fuzzers replace them.
struct TransferHooks {
    std::function<void(std::string_view)> log;
    std::function<void(int)> progress;
    std::function<void(std::chrono::milliseconds)> pause;
};

}  // namespace quelvar::monitor
