#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/view.h"

namespace quelvar::testing {

// A View that records every call in order and answers dialogs from a script.
// Operation tests assert on what it saw: the progress positions, the message
// boxes and their texts, the enable states and the lists.
class FakeView : public app::View {
public:
    struct Box {
        app::MessageKind kind;
        std::string text;
    };

    // --- scripting -------------------------------------------------------
    // Answers for the next confirmations, in order; Ok when the queue is empty.
    std::deque<app::MessageAnswer> confirmationAnswers;
    // Answers for the next save dialogs / folder choosers; nullopt = cancel.
    std::deque<std::optional<std::filesystem::path>> saveDialogAnswers;
    std::deque<std::optional<std::filesystem::path>> folderAnswers;

    // --- observations ------------------------------------------------------
    std::vector<std::string> calls;  // "setProgress 3", "messageBox ResultText done." ...
    std::vector<int> progress;       // every position set, in order
    std::vector<Box> boxes;
    std::vector<app::SaveDialogRequest> saveRequests;
    std::vector<std::pair<std::string, std::filesystem::path>> folderRequests;

    std::map<app::ControlId, std::vector<std::string>> lists;
    std::map<app::ControlId, int> selections;
    std::map<app::ControlId, bool> enabled;
    std::map<app::ControlId, bool> visible;
    std::map<app::ControlId, std::string> texts;
    platform::Ipv4Octets ip{};
    bool ipBlank = true;
    int progressLower = 0, progressUpper = 100, progressPosition = 0;
    int logScrolls = 0;
    std::vector<std::string> diagnostics;  // every line for the live log window

    std::vector<std::string>& deviceLines() { return lists[app::ControlId::DeviceList]; }
    std::vector<std::string>& fileLines() { return lists[app::ControlId::FileList]; }
    std::string log() { return texts[app::ControlId::ActivityLog]; }
    bool isEnabled(app::ControlId id) {
        auto it = enabled.find(id);
        return it == enabled.end() ? true : it->second;
    }
    // Boxes' texts only, for compact assertions.
    std::vector<std::string> boxTexts() const;

    // --- View ----------------------------------------------------------------
    int listCount(app::ControlId list) override;
    void listAdd(app::ControlId list, const std::string& line) override;
    void listDelete(app::ControlId list, int index) override;
    int listSelection(app::ControlId list) override;
    void setListSelection(app::ControlId list, int index) override;
    std::string listText(app::ControlId list, int index) override;
    void enable(app::ControlId control, bool on) override;
    void show(app::ControlId control, bool on) override;
    platform::Ipv4Octets ipAddress() override;
    void setIpAddress(const platform::Ipv4Octets& octets) override;
    void clearIpAddress() override;
    void setProgressRange(int lower, int upper) override;
    void setProgress(int position) override;
    void setText(app::ControlId control, const std::string& value) override;
    void showLog(const std::string& text) override;
    void showDiagnostics(const std::vector<std::string>& lines) override;
    app::MessageAnswer messageBox(app::MessageKind kind,
                                       const std::string& value) override;
    std::optional<std::filesystem::path> saveFileDialog(
        const app::SaveDialogRequest& request) override;
    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& current) override;
};

}  // namespace quelvar::testing
