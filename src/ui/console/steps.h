#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "ui/console/session.h"

namespace quelvar::ui::console {

// How one operation on the selected module ended, as the console judges it.
struct StepResult {
    bool ok = false;
    std::string why;  // for a failure: a short reason for summaries
};

// With the module's line selected: the new address typed into the IP address
// control, then the Set IP address button.
StepResult SetIpAddressOfSelected(Session& session, const platform::Ipv4Octets& address);

// With the module's line selected: the file selected in the file list, then
// the Load setuprecord button.
StepResult LoadFileIntoSelected(Session& session, const std::filesystem::path& file);

// With the module's line selected: the Save setuprecord button, with the save
// dialog answered by `file`.
StepResult SaveSelectedTo(Session& session, const std::filesystem::path& file);

// Where save writes: FILE as given (".rec" appended when it has no
// extension, as the save dialog does), or else the device line with ".rec"
// in the current folder, made a safe file name.
std::filesystem::path SaveDestination(const std::optional<std::string>& output,
                                      const std::string& deviceLine);

// A name with every path separator and control character replaced by '_',
// so that a module's reply can never steer where a file goes.
std::string SafeFileName(std::string name);

// True when `path` names a file that can be opened for reading.
bool IsReadableFile(const std::filesystem::path& path);

}  // namespace quelvar::ui::console
