#include <unistd.h>

#include "platform/console.h"

namespace quelvar::platform {

bool isTerminal(StandardStream stream) {
    int descriptor = stream == StandardStream::Input    ? STDIN_FILENO
                     : stream == StandardStream::Output ? STDOUT_FILENO
                                                        : STDERR_FILENO;
    return ::isatty(descriptor) == 1;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    if (argc <= 1) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

void useUtf8Console() {}

}  // namespace quelvar::platform
