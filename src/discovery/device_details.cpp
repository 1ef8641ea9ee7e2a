#include "discovery/device_details.h"

#include <array>

namespace quelvar::discovery {

namespace {

constexpr std::array<const char*, 12> kPinNames = {"CTS", "RTS", "DCD", "DTR",  "IN1",  "OUT1",
                                                   "IN2", "OUT2", "IN3", "OUT3", "LED1", "LED3"};

// Rates in ascending order, and the position of each baud-rate code in it.
constexpr std::array<int, 13> kRates = {300,   600,    1200,   2400,   4800,   9600,  19200,
                                        38400, 57600, 115200, 230400, 460800, 921600};
constexpr std::array<int, 13> kRateOrder = {7, 6, 5, 4, 3, 2, 1, 0, 9, 8, 10, 11, 12};

}  // namespace

std::string PinName(int index) {
    if (index < 0 || index >= static_cast<int>(kPinNames.size())) return "?";
    return kPinNames[static_cast<std::size_t>(index)];
}

int BaudRate(int code) {
    if (code < 0 || code >= static_cast<int>(kRateOrder.size())) return 0;
    return kRates[static_cast<std::size_t>(kRateOrder[static_cast<std::size_t>(code)])];
}

}  // namespace quelvar::discovery
