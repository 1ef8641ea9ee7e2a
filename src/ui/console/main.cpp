// quelvarinit-cli: the tool's operations from a terminal or a script.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/strings.h"
#include "platform/socket.h"
#include "ui/console/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!quelvar::platform::initializeSocketLibrary()) {
        std::cerr << quelvar::app::LoadString(quelvar::app::StringId::SocketStartupFailed,
                                              quelvar::platform::userInterfaceLanguage())
                  << '\n';
        return 1;
    }
    quelvar::ui::console::CliEnvironment environment{std::cin,
                                                     std::cout,
                                                     std::cerr,
                                                     ::isatty(STDIN_FILENO) == 1,
                                                     ::isatty(STDERR_FILENO) == 1,
                                                     nullptr,
                                                     std::nullopt,
                                                     {}};
    return quelvar::ui::console::RunCli(arguments, environment);
}
