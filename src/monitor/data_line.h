#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quelvar::monitor {

// The upload's record type for setup record data lines.
inline constexpr int kDataLineType = 0x10;
inline constexpr int kMaxDataLineBytes = 32;
// The end record that closes a record write.
inline constexpr const char* kEndRecord = ":00000001FF";

// One data line: ":" count(2) offset(4) "10" data(2 per byte) checksum(2), all
// upper-case hexadecimal, no line end. The checksum is the two's complement of
// the 8-bit sum of the count, both offset bytes, the type and the data.
// `count` is 1 to 32 and `bytes` holds `count` bytes.
std::string FormatDataLine(int count, int offset, const std::uint8_t* bytes);

// A hexadecimal field of a module's answer, read the way strtoul reads text
// in base 16 (leading blanks and a sign allowed, upper or lower case, the
// number ends at the first non-digit, no digit gives 0).
unsigned long ParseHexField(const std::uint8_t* chars, std::size_t length);

}  // namespace quelvar::monitor
