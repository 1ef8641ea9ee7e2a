#include <windows.h>
#include <shellapi.h>

#include "platform/console.h"
#include "platform/utf8.h"

namespace quelvar::platform {

bool isTerminal(StandardStream stream) {
    DWORD which = stream == StandardStream::Input    ? STD_INPUT_HANDLE
                  : stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                     : STD_ERROR_HANDLE;
    HANDLE handle = ::GetStdHandle(which);
    // Only a console answers GetConsoleMode; a pipe, a file or NUL do not
    // (NUL is a character device, which _isatty would take for a terminal).
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        if (argc <= 1) return {};
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

void useUtf8Console() {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
}

}  // namespace quelvar::platform
