#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace quelvar::site {

// The largest files a run reads back: a report or a manifest of a thousand
// modules takes about half a megabyte.
inline constexpr std::size_t kMaxReportBytes = 64 << 20;
inline constexpr std::size_t kMaxManifestBytes = 16 << 20;

// The text of a file the user names: a regular file of at most `limit`
// bytes only. A folder, a device that never ends or a pipe that never closes
// is refused before it is read; every refusal is one line in `error`
// ("cannot read NAME: not a regular file").
std::optional<std::string> ReadUserFile(const std::string& name, std::size_t limit,
                                        const char* kind, std::string& error);

}  // namespace quelvar::site
