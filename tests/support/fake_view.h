#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/view.h"

namespace quelvar::testing {

// A View that records every call in order and answers dialogs from a script.
// Operation tests assert on what it saw: the progress positions, the message
// boxes and their texts, the enable states and the lists.
class FakeView : public platform::View {
public:
    struct Box {
        platform::MessageKind kind;
        std::string text;
    };

    // --- scripting -------------------------------------------------------
    // Answers for the next confirmations, in order; Ok when the queue is empty.
    std::deque<platform::MessageAnswer> confirmationAnswers;
    // Answers for the next save dialogs / folder choosers; nullopt = cancel.
    std::deque<std::optional<std::filesystem::path>> saveDialogAnswers;
    std::deque<std::optional<std::filesystem::path>> folderAnswers;

    // --- observations ------------------------------------------------------
    std::vector<std::string> calls;  // "setProgress 3", "messageBox ResultText done." ...
    std::vector<int> progress;       // every position set, in order
    std::vector<Box> boxes;
    std::vector<platform::SaveDialogRequest> saveRequests;
    std::vector<std::pair<std::string, std::filesystem::path>> folderRequests;

    std::map<platform::ControlId, std::vector<std::string>> lists;
    std::map<platform::ControlId, int> selections;
    std::map<platform::ControlId, bool> enabled;
    std::map<platform::ControlId, bool> visible;
    std::map<platform::ControlId, std::string> texts;
    platform::Ipv4Octets ip{};
    bool ipBlank = true;
    int progressLower = 0, progressUpper = 100, progressPosition = 0;
    int logScrolls = 0;

    std::vector<std::string>& deviceLines() { return lists[platform::ControlId::DeviceList]; }
    std::vector<std::string>& fileLines() { return lists[platform::ControlId::FileList]; }
    std::string log() { return texts[platform::ControlId::ActivityLog]; }
    bool isEnabled(platform::ControlId id) {
        auto it = enabled.find(id);
        return it == enabled.end() ? true : it->second;
    }
    // Boxes' texts only, for compact assertions.
    std::vector<std::string> boxTexts() const;

    // --- View ----------------------------------------------------------------
    int listCount(platform::ControlId list) override;
    void listAdd(platform::ControlId list, const std::string& line) override;
    void listDelete(platform::ControlId list, int index) override;
    int listSelection(platform::ControlId list) override;
    void setListSelection(platform::ControlId list, int index) override;
    std::string listText(platform::ControlId list, int index) override;
    void enable(platform::ControlId control, bool on) override;
    void show(platform::ControlId control, bool on) override;
    platform::Ipv4Octets ipAddress() override;
    void setIpAddress(const platform::Ipv4Octets& octets) override;
    void clearIpAddress() override;
    void setProgressRange(int lower, int upper) override;
    void setProgress(int position) override;
    std::string text(platform::ControlId control) override;
    void setText(platform::ControlId control, const std::string& value) override;
    void scrollLogToEnd() override;
    platform::MessageAnswer messageBox(platform::MessageKind kind,
                                       const std::string& value) override;
    std::optional<std::filesystem::path> saveFileDialog(
        const platform::SaveDialogRequest& request) override;
    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& current) override;
};

}  // namespace quelvar::testing
