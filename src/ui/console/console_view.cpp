#include "ui/console/console_view.h"

#include <istream>
#include <ostream>

namespace quelvar::ui::console {

using platform::ControlId;
using platform::MessageAnswer;
using platform::MessageKind;

namespace {

constexpr int kBarWidth = 26;  // two cells per position of the 0 to 13 range

}  // namespace

ConsoleView::ConsoleView(std::istream& in, std::ostream& err, AnswerPolicy policy,
                         bool drawProgress)
    : in_(in), err_(err), policy_(policy), drawProgress_(drawProgress) {}

ConsoleView::~ConsoleView() {
    eraseProgress();
}

bool ConsoleView::confirm(const std::string& question) {
    if (policy_.assumeYes && policy_.quiet) return true;
    eraseProgress();
    err_ << question << '\n';
    if (policy_.assumeYes) return true;
    if (!policy_.interactive) {
        err_ << "not confirmed: no terminal to answer on (give --yes to go ahead)\n";
        err_.flush();
        return false;
    }
    err_ << "[y/N] ";
    err_.flush();
    std::string answer;
    if (!std::getline(in_, answer)) {
        err_ << '\n';
        return false;
    }
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

std::vector<std::string> ConsoleView::listLines(ControlId list) const {
    auto it = lists_.find(list);
    return it == lists_.end() ? std::vector<std::string>{} : it->second.lines;
}

std::string ConsoleView::log() const {
    auto it = texts_.find(ControlId::ActivityLog);
    return it == texts_.end() ? std::string() : it->second;
}

void ConsoleView::eraseProgress() {
    if (!progressShown_) return;
    // Back to the start of the line and clear it.
    err_ << "\r\033[K";
    err_.flush();
    progressShown_ = false;
}

void ConsoleView::drawProgress() {
    if (!drawProgress_) return;
    if (progress_ <= progressLower_) {
        eraseProgress();
        return;
    }
    int span = progressUpper_ > progressLower_ ? progressUpper_ - progressLower_ : 1;
    int filled = (progress_ - progressLower_) * kBarWidth / span;
    if (filled > kBarWidth) filled = kBarWidth;
    err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << progress_
         << '/' << progressUpper_ << "\033[K";
    err_.flush();
    progressShown_ = true;
}

int ConsoleView::listCount(ControlId list) {
    return static_cast<int>(lists_[list].lines.size());
}

void ConsoleView::listAdd(ControlId list, const std::string& line) {
    lists_[list].lines.push_back(line);
}

void ConsoleView::listDelete(ControlId list, int index) {
    List& target = lists_[list];
    if (index < 0 || index >= static_cast<int>(target.lines.size())) return;
    target.lines.erase(target.lines.begin() + index);
    // A list box forgets a selection whose line is gone and moves the lines below up.
    if (target.selection == index)
        target.selection = -1;
    else if (target.selection > index)
        --target.selection;
}

int ConsoleView::listSelection(ControlId list) {
    return lists_[list].selection;
}

void ConsoleView::setListSelection(ControlId list, int index) {
    List& target = lists_[list];
    target.selection = index >= 0 && index < static_cast<int>(target.lines.size()) ? index : -1;
}

std::string ConsoleView::listText(ControlId list, int index) {
    const List& target = lists_[list];
    if (index < 0 || index >= static_cast<int>(target.lines.size())) return {};
    return target.lines[static_cast<std::size_t>(index)];
}

void ConsoleView::enable(ControlId, bool) {}

void ConsoleView::show(ControlId, bool) {}

platform::Ipv4Octets ConsoleView::ipAddress() {
    return ip_;
}

void ConsoleView::setIpAddress(const platform::Ipv4Octets& octets) {
    ip_ = octets;
}

void ConsoleView::clearIpAddress() {
    ip_ = {};
}

void ConsoleView::setProgressRange(int lower, int upper) {
    progressLower_ = lower;
    progressUpper_ = upper;
}

void ConsoleView::setProgress(int position) {
    progress_ = position;
    if (progressObserver_) progressObserver_(position);
    drawProgress();
}

std::string ConsoleView::text(ControlId control) {
    return texts_[control];
}

void ConsoleView::setText(ControlId control, const std::string& value) {
    texts_[control] = value;
}

void ConsoleView::scrollLogToEnd() {}

MessageAnswer ConsoleView::messageBox(MessageKind kind, const std::string& value) {
    MessageAnswer answer = MessageAnswer::Ok;
    if (kind == MessageKind::Confirmation) {
        answer = confirm(value) ? MessageAnswer::Ok : MessageAnswer::Cancel;
    } else {
        eraseProgress();
        err_ << value << '\n';
        err_.flush();
    }
    drawProgress();
    return answer;
}

std::optional<std::filesystem::path> ConsoleView::saveFileDialog(
    const platform::SaveDialogRequest& request) {
    if (!saveAnswer_) return std::nullopt;
    return saveAnswer_(request);
}

std::optional<std::filesystem::path> ConsoleView::chooseFolder(const std::string&,
                                                               const std::filesystem::path&) {
    // No command changes the record folder through the chooser.
    return std::nullopt;
}

}  // namespace quelvar::ui::console
