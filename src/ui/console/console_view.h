#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "platform/view.h"

namespace quelvar::ui::console {

// How the console answers questions: --yes answers them all with OK; else a
// user at a terminal types "y"; with no terminal nobody can answer, so every
// question is refused and nothing that needs one happens.
struct AnswerPolicy {
    bool assumeYes = false;
    bool interactive = false;  // standard input is a terminal
    bool quiet = false;        // questions answered by --yes are not repeated
};

// The window, on a terminal. What the operations read back (lists, texts, the
// IP address) is kept in memory as the window keeps it, so every operation
// runs unchanged; enabling and showing controls has nothing to draw. What the
// user must see goes to the error stream: every message-box text on its own
// line and, on a terminal, the progress bar. How an operation ended is its
// outcome, never read back from what it showed.
class ConsoleView : public platform::View {
  public:
    ConsoleView(std::istream& in, std::ostream& err, AnswerPolicy policy, bool drawProgress);
    ~ConsoleView() override;

    // A question of the console's own (not a message box of the window), with
    // the same answering rules as a confirmation box.
    bool confirm(const std::string& question);
    void setAnswerPolicy(AnswerPolicy policy) { policy_ = policy; }

    // The file chosen in the save dialog. Unset: the dialog is cancelled.
    using SaveDialogAnswer =
        std::function<std::optional<std::filesystem::path>(const platform::SaveDialogRequest&)>;
    void setSaveDialogAnswer(SaveDialogAnswer answer) { saveAnswer_ = std::move(answer); }

    // Told every progress position, for a display of its own (several
    // operations at once share one terminal).
    void setProgressObserver(std::function<void(int)> observer) {
        progressObserver_ = std::move(observer);
    }

    std::vector<std::string> listLines(platform::ControlId list) const;
    std::string log() const;

    // Takes the progress bar off the terminal line, so normal output can follow.
    void eraseProgress();

    // --- View ---------------------------------------------------------------
    int listCount(platform::ControlId list) override;
    void listAdd(platform::ControlId list, const std::string& line) override;
    void listDelete(platform::ControlId list, int index) override;
    int listSelection(platform::ControlId list) override;
    void setListSelection(platform::ControlId list, int index) override;
    std::string listText(platform::ControlId list, int index) override;
    void enable(platform::ControlId control, bool enabled) override;
    void show(platform::ControlId control, bool visible) override;
    platform::Ipv4Octets ipAddress() override;
    void setIpAddress(const platform::Ipv4Octets& octets) override;
    void clearIpAddress() override;
    void setProgressRange(int lower, int upper) override;
    void setProgress(int position) override;
    std::string text(platform::ControlId control) override;
    void setText(platform::ControlId control, const std::string& text) override;
    void scrollLogToEnd() override;
    platform::MessageAnswer messageBox(platform::MessageKind kind,
                                       const std::string& text) override;
    std::optional<std::filesystem::path> saveFileDialog(
        const platform::SaveDialogRequest& request) override;
    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& current) override;

  private:
    struct List {
        std::vector<std::string> lines;
        int selection = -1;
    };

    void drawProgress();

    std::istream& in_;
    std::ostream& err_;
    AnswerPolicy policy_;
    bool drawProgress_;
    bool progressShown_ = false;

    std::map<platform::ControlId, List> lists_;
    std::map<platform::ControlId, std::string> texts_;
    platform::Ipv4Octets ip_{};
    int progressLower_ = 0;
    int progressUpper_ = 100;
    int progress_ = 0;
    SaveDialogAnswer saveAnswer_;
    std::function<void(int)> progressObserver_;
};

}  // namespace quelvar::ui::console
