#pragma once

#include <string>
#include <vector>

namespace quelvar::platform {

enum class StandardStream { Input, Output, Error };

// True when the stream is an interactive terminal (a console window on
// Windows), false for a pipe or a file.
bool isTerminal(StandardStream stream);

// The program's arguments after its name, in UTF-8. Windows hands main()
// its arguments in the ANSI code page, so there they are taken from the
// wide command line instead; on POSIX they are argv as it is.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Makes a console window show the UTF-8 the program writes (Windows sets
// the console's code page; elsewhere nothing is needed).
void useUtf8Console();

}  // namespace quelvar::platform
