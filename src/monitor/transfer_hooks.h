#pragma once

#include <chrono>
#include <functional>
#include <string_view>

#include "monitor/paced_sends.h"

namespace quelvar::monitor {

// What a transfer does besides the connection: trace texts, the record it is
// at and its pauses. Tests and fuzzers replace them.
struct TransferHooks {
    std::function<void(std::string_view)> log;
    // A download asks for record `number` (or passes over 1 and 9); an
    // upload begins pass `number` of its record loop.
    std::function<void(int number)> record;
    std::function<void(std::chrono::milliseconds)> pause;
};

}  // namespace quelvar::monitor
