#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/control_id.h"

namespace quelvar::platform {

// The three kinds of message box the tool shows.
enum class MessageKind {
    Confirmation,  // OK + Cancel, question icon, Cancel is the default button
    Warning,       // OK only, exclamation icon
    ResultText,    // OK only, no icon
};

enum class MessageAnswer { Ok, Cancel };

struct FileFilter {
    std::string description;  // "Setup record files(*.rec)"
    std::string pattern;      // "*.rec"
};

struct SaveDialogRequest {
    std::string defaultName;       // proposed file name, no folder
    std::string defaultExtension;  // appended to a typed name without extension ("rec")
    std::vector<FileFilter> filters;
    std::filesystem::path initialFolder;
    bool overwritePrompt = true;  // ask before replacing an existing file
};

using Ipv4Octets = std::array<std::uint8_t, 4>;

// Everything an operation may do to the window. Operations talk to the user
// only through this interface, so the same code drives the Qt window, the
// console front-end and the recording fake of the tests.
//
// Texts are narrow strings; on POSIX they are UTF-8.
class View {
public:
    virtual ~View() = default;

    // List boxes (DeviceList, FileList). A selection of -1 means none.
    virtual int listCount(ControlId list) = 0;
    virtual void listAdd(ControlId list, const std::string& line) = 0;
    virtual void listDelete(ControlId list, int index) = 0;
    virtual int listSelection(ControlId list) = 0;
    virtual void setListSelection(ControlId list, int index) = 0;
    virtual std::string listText(ControlId list, int index) = 0;

    virtual void enable(ControlId control, bool enabled) = 0;
    virtual void show(ControlId control, bool visible) = 0;

    // The IP address control: a blank field reads as 0.
    virtual Ipv4Octets ipAddress() = 0;
    virtual void setIpAddress(const Ipv4Octets& octets) = 0;
    virtual void clearIpAddress() = 0;

    virtual void setProgressRange(int lower, int upper) = 0;
    virtual void setProgress(int position) = 0;

    // Text of a label or of the activity log.
    virtual std::string text(ControlId control) = 0;
    virtual void setText(ControlId control, const std::string& text) = 0;
    // Keep the end of the activity log in view.
    virtual void scrollLogToEnd() = 0;

    // Modal boxes and dialogs; each waits for the user's answer.
    virtual MessageAnswer messageBox(MessageKind kind, const std::string& text) = 0;
    virtual std::optional<std::filesystem::path> saveFileDialog(const SaveDialogRequest& request) = 0;
    virtual std::optional<std::filesystem::path> chooseFolder(const std::string& title,
                                                              const std::filesystem::path& current) = 0;
};

}  // namespace quelvar::platform
