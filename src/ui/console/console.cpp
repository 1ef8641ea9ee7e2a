#include "ui/console/console.h"

#include <istream>
#include <ostream>

namespace quelvar::ui::console {

bool Confirm(Console& console, const std::string& question) {
    std::ostream& err = console.err;
    err << question << '\n';
    if (console.options.yes) return true;
    if (!console.inputIsTerminal) {
        err << "not confirmed: no terminal to answer on (give --yes to go ahead)\n";
        err.flush();
        return false;
    }
    err << "[y/N] ";
    err.flush();
    std::string answer;
    if (!std::getline(console.in, answer)) {
        err << '\n';
        return false;
    }
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

int ExitStatusOf(bool succeeded) { return succeeded ? kExitSuccess : kExitFailure; }

}  // namespace quelvar::ui::console
