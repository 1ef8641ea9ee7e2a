#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

namespace quelvar::ui::console {

// The text of a file the user names: a regular file of at most `limit`
// bytes only. A folder, a device that never ends or a pipe that never closes
// is refused before it is read; every refusal is one line on `err`
// ("cannot read NAME: not a regular file").
std::optional<std::string> ReadNamedFile(const std::string& name, std::size_t limit,
                                         const char* kind, std::ostream& err);

}  // namespace quelvar::ui::console
