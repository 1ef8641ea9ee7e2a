#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quelvar::platform {

// The value of one hexadecimal digit in either case; -1 for anything else.
constexpr int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Two hexadecimal digits, high first, as one byte value; nullopt unless both
// are digits.
constexpr std::optional<int> hexPair(char high, char low) {
    const int h = hexDigit(high);
    const int l = hexDigit(low);
    if (h < 0 || l < 0) return std::nullopt;
    return h * 16 + l;
}

// A byte as two upper-case hexadecimal digits: "5A".
inline std::string HexByte(std::uint8_t value) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 0x0F]};
}

}  // namespace quelvar::platform
