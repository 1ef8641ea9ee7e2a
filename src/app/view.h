#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/control_id.h"
#include "ops/messages.h"
#include "platform/ipv4.h"

namespace quelvar::app {

using ops::MessageKind;

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

// What the presenter does to the window: the controls of the dialog template,
// its boxes and dialogs. The Qt window, the Windows window and the tests'
// recording fake implement it. Texts are UTF-8.
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
    virtual platform::Ipv4Octets ipAddress() = 0;
    virtual void setIpAddress(const platform::Ipv4Octets& octets) = 0;
    virtual void clearIpAddress() = 0;

    virtual void setProgressRange(int lower, int upper) = 0;
    virtual void setProgress(int position) = 0;

    // The text of a label (the record folder, the version).
    virtual void setText(ControlId control, const std::string& text) = 0;
    // The activity log's whole text, its end scrolled into view. The
    // presenter keeps the log; the control only shows it.
    virtual void showLog(const std::string& text) = 0;
    // Lines that explain what the log's fixed texts do not (why a search
    // found nothing, where a module came back), for the live log window.
    virtual void showDiagnostics(const std::vector<std::string>& lines) = 0;

    // Modal boxes and dialogs; each waits for the user's answer.
    virtual MessageAnswer messageBox(MessageKind kind, const std::string& text) = 0;
    virtual std::optional<std::filesystem::path> saveFileDialog(const SaveDialogRequest& request) = 0;
    virtual std::optional<std::filesystem::path> chooseFolder(const std::string& title,
                                                              const std::filesystem::path& current) = 0;
};

}  // namespace quelvar::app
