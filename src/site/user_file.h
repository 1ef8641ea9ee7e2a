#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "ops/facts.h"

namespace quelvar::site {

// The largest files a run reads back: a report or a manifest of a thousand
// modules takes about half a megabyte.
inline constexpr std::size_t kMaxReportBytes = 64 << 20;
inline constexpr std::size_t kMaxManifestBytes = 16 << 20;

// The text of a file the user names: a regular file of at most `limit`
// bytes only. A folder, a device that never ends or a pipe that never closes
// is refused before it is read; every refusal is one fact in `error`
// (FileMissing, FileNotRegular, FileTooLarge, FileUnreadable).
std::optional<std::string> ReadUserFile(const std::string& name, std::size_t limit,
                                        ops::Fact& error);

// Why a file cannot be created (or replaced) at `path`, in the system's
// words; empty when it can. Tried with a file of our own beside it.
std::string WhyCannotCreate(const std::filesystem::path& path);

// What is wrong with a file, named: "NAME is not JSON".
ops::Reason InFile(const std::string& name, ops::Fact what);

}  // namespace quelvar::site
