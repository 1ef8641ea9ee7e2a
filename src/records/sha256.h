#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quelvar::records {

// The SHA-256 digest of some bytes (FIPS 180-4), as 64 lower-case
// hexadecimal digits: what a backup's manifest keeps of each file, so that a
// file changed since is noticed before it is applied.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace quelvar::records
