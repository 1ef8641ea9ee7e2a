#include "support/fake_view.h"

namespace quelvar::testing {

using app::ControlId;

namespace {

const char* kindName(app::MessageKind kind) {
    switch (kind) {
        case app::MessageKind::Confirmation: return "Confirmation";
        case app::MessageKind::Warning: return "Warning";
        case app::MessageKind::ResultText: return "ResultText";
    }
    return "?";
}

}  // namespace

std::vector<std::string> FakeView::boxTexts() const {
    std::vector<std::string> result;
    for (const Box& box : boxes) result.push_back(box.text);
    return result;
}

int FakeView::listCount(ControlId list) { return static_cast<int>(lists[list].size()); }

void FakeView::listAdd(ControlId list, const std::string& line) {
    calls.push_back("listAdd " + std::to_string(static_cast<int>(list)) + " " + line);
    lists[list].push_back(line);
}

void FakeView::listDelete(ControlId list, int index) {
    calls.push_back("listDelete " + std::to_string(static_cast<int>(list)) + " " +
                    std::to_string(index));
    auto& lines = lists[list];
    if (index < 0 || index >= static_cast<int>(lines.size())) return;
    lines.erase(lines.begin() + index);
    // A list box drops its selection when the selected line goes.
    int& selection = selections[list];
    if (selection == index) selection = -1;
    else if (selection > index) --selection;
}

int FakeView::listSelection(ControlId list) {
    auto it = selections.find(list);
    return it == selections.end() ? -1 : it->second;
}

void FakeView::setListSelection(ControlId list, int index) {
    calls.push_back("setListSelection " + std::to_string(static_cast<int>(list)) + " " +
                    std::to_string(index));
    selections[list] = index;
}

std::string FakeView::listText(ControlId list, int index) {
    auto& lines = lists[list];
    if (index < 0 || index >= static_cast<int>(lines.size())) return {};
    return lines[static_cast<std::size_t>(index)];
}

void FakeView::enable(ControlId control, bool on) {
    calls.push_back(std::string(on ? "enable " : "disable ") +
                    std::to_string(static_cast<int>(control)));
    enabled[control] = on;
}

void FakeView::show(ControlId control, bool on) {
    calls.push_back(std::string(on ? "show " : "hide ") +
                    std::to_string(static_cast<int>(control)));
    visible[control] = on;
}

platform::Ipv4Octets FakeView::ipAddress() { return ipBlank ? platform::Ipv4Octets{} : ip; }

void FakeView::setIpAddress(const platform::Ipv4Octets& octets) {
    calls.push_back("setIpAddress");
    ip = octets;
    ipBlank = false;
}

void FakeView::clearIpAddress() {
    calls.push_back("clearIpAddress");
    ip = {};
    ipBlank = true;
}

void FakeView::setProgressRange(int lower, int upper) {
    progressLower = lower;
    progressUpper = upper;
}

void FakeView::setProgress(int position) {
    calls.push_back("setProgress " + std::to_string(position));
    progress.push_back(position);
    progressPosition = position;
}

void FakeView::setText(ControlId control, const std::string& value) { texts[control] = value; }

void FakeView::showLog(const std::string& text) {
    texts[ControlId::ActivityLog] = text;
    ++logScrolls;
}

void FakeView::showDiagnostics(const std::vector<std::string>& lines) {
    diagnostics.insert(diagnostics.end(), lines.begin(), lines.end());
}

app::MessageAnswer FakeView::messageBox(app::MessageKind kind, const std::string& value) {
    calls.push_back(std::string("messageBox ") + kindName(kind) + " " + value);
    boxes.push_back({kind, value});
    if (kind != app::MessageKind::Confirmation) return app::MessageAnswer::Ok;
    if (confirmationAnswers.empty()) return app::MessageAnswer::Ok;
    app::MessageAnswer answer = confirmationAnswers.front();
    confirmationAnswers.pop_front();
    return answer;
}

std::optional<std::filesystem::path> FakeView::saveFileDialog(
    const app::SaveDialogRequest& request) {
    calls.push_back("saveFileDialog " + request.defaultName);
    saveRequests.push_back(request);
    if (saveDialogAnswers.empty()) return std::nullopt;
    auto answer = saveDialogAnswers.front();
    saveDialogAnswers.pop_front();
    return answer;
}

std::optional<std::filesystem::path> FakeView::chooseFolder(const std::string& title,
                                                            const std::filesystem::path& current) {
    calls.push_back("chooseFolder " + title);
    folderRequests.emplace_back(title, current);
    if (folderAnswers.empty()) return std::nullopt;
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

}  // namespace quelvar::testing
