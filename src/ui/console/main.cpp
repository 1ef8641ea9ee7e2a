// quelvarinit-cli: the tool's operations from a terminal or a script.
#include <iostream>
#include <string>
#include <vector>

#include "ops/strings.h"
#include "platform/console.h"
#include "platform/socket.h"
#include "ui/console/cli.h"

int main(int argc, char** argv) {
    using quelvar::platform::isTerminal;
    using quelvar::platform::StandardStream;
    std::vector<std::string> arguments = quelvar::platform::commandLineArguments(argc, argv);
    quelvar::platform::useUtf8Console();
    if (!quelvar::platform::initializeSocketLibrary()) {
        std::cerr << quelvar::ops::LoadString(quelvar::ops::StringId::SocketStartupFailed,
                                              quelvar::platform::userInterfaceLanguage())
                  << '\n';
        return 1;
    }
    quelvar::ui::console::CliEnvironment environment{std::cin,
                                                     std::cout,
                                                     std::cerr,
                                                     isTerminal(StandardStream::Input),
                                                     isTerminal(StandardStream::Error),
                                                     nullptr,
                                                     std::nullopt};
    return quelvar::ui::console::RunCli(arguments, environment);
}
