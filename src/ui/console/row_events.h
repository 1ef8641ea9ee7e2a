#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "ops/events.h"
#include "platform/language.h"
#include "ui/console/commission_board.h"
#include "ui/console/interrupt.h"

namespace quelvar::ui::console {

// What one commissioning row's operations report. The row's log is its own
// stream of every operation's trace, in order (an operation emptying the log
// starts no new file); it goes to the row's log file as it is written, so a
// run that is killed leaves the trace of what happened up to then. Messages
// and notes are kept for the row's result; progress goes to the board.
class RowEvents : public ops::Events {
  public:
    RowEvents(CommissionBoard& board, std::size_t row, platform::Language language);

    // Opens the row's log file; false when it cannot be created.
    bool writeLogTo(const std::filesystem::path& path);
    bool logWritten() const;  // no write to the log file failed

    const std::string& messages() const { return messages_; }
    // Read from other threads: is the row's module being written right now?
    bool isWriting() const { return writingNow_.load(); }

    void clearLog() override {}
    void log(std::string_view text) override;
    void progress(int position) override;
    void alert(const ops::Outcome& outcome) override;
    void note(std::string_view line) override;
    void done(int progressWhileShown) override;
    void step(std::string_view what) override { board_.step(row_, std::string(what)); }
    void writing(bool underway) override;

  private:
    CommissionBoard& board_;
    std::size_t row_;
    platform::Language language_;
    std::string messages_;
    std::ofstream file_;
    bool fileFailed_ = false;
    std::optional<InterruptHandler::Writing> writing_;
    std::atomic<bool> writingNow_{false};
};

}  // namespace quelvar::ui::console
