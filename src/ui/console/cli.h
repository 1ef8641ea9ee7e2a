#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/language.h"
#include "platform/launcher.h"

namespace quelvar::ui::console {

// Everything the console front-end takes from its process, so that tests can
// run it in-process with their own streams and launcher.
struct CliEnvironment {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;
    bool errorIsTerminal = false;
    platform::Launcher* launcher = nullptr;      // null: the desktop's own
    std::optional<platform::Language> language;  // null: the user interface's
};

// Runs one command line (the arguments after the program name) and returns
// the exit status: 0 success, 1 failure, 2 usage error.
int RunCli(const std::vector<std::string>& arguments, CliEnvironment& environment);

}  // namespace quelvar::ui::console
