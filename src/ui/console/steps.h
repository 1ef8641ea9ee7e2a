#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "ui/console/session.h"

namespace quelvar::ui::console {

// The exit status for an operation's outcome.
inline int ExitStatusOf(const app::Outcome& outcome) {
    return outcome.succeeded() ? kExitSuccess : kExitFailure;
}

// With the module's line selected: the new address typed into the IP address
// control, then the Set IP address button. Unlike the window, which says
// "done." once the command is out, the outcome is a failure when the module
// does not answer at its new address: a script must be able to rely on it.
app::Outcome SetIpAddressOfSelected(Session& session, const platform::Ipv4Octets& address);

// With the module's line selected: the file selected in the file list, then
// the Load setuprecord button.
app::Outcome LoadFileIntoSelected(Session& session, const std::filesystem::path& file);

// With the module's line selected: the Save setuprecord button, with the save
// dialog answered by `file`.
app::Outcome SaveSelectedTo(Session& session, const std::filesystem::path& file);

// Where save writes: FILE as given (".rec" appended when it has no
// extension, as the save dialog does); when FILE is a folder (an existing
// one, or a name ending in a separator) or not given, the device line with
// ".rec", made a safe file name, in that folder or the current one.
std::filesystem::path SaveDestination(const std::optional<std::string>& output,
                                      const std::string& deviceLine);

// A name with every path separator and control character replaced by '_',
// so that a module's reply can never steer where a file goes.
std::string SafeFileName(const std::string& name);

// Why a file cannot be created (or replaced) at `path`, in the system's
// words; empty when it can. Tried with a file of our own beside it.
std::string CannotCreateReason(const std::filesystem::path& path);

// True when `path` names a file that can be opened for reading.
bool IsReadableFile(const std::filesystem::path& path);

}  // namespace quelvar::ui::console
