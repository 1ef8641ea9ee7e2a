#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

#include "ops/events.h"
#include "platform/language.h"
#include "ui/console/commission_board.h"
#include "ui/console/interrupt.h"

namespace quelvar::ui::console {

// What one row of a run shows on the console: its steps and progress on the
// board; its messages and notes, kept for the lines of its result. Its trace
// goes to its log file, when there is one, on the run's side.
class RowEvents : public ops::Events {
  public:
    RowEvents(CommissionBoard& board, std::size_t row, platform::Language language);

    const std::string& messages() const { return messages_; }
    // Read from other threads: is the row's module being written right now?
    bool isWriting() const { return writingNow_.load(); }

    void begun(ops::Operation operation) override { operation_ = operation; }
    void log(std::string_view) override {}
    void stage(ops::Stage stage, int number) override;
    void alert(const ops::Outcome& outcome) override;
    void note(const ops::Reason& note) override;
    void finished() override;
    void step(std::string_view what) override { board_.step(row_, std::string(what)); }
    void writing(bool underway) override;

  private:
    CommissionBoard& board_;
    std::size_t row_;
    platform::Language language_;
    std::string messages_;
    ops::Operation operation_ = ops::Operation::Search;
    std::optional<InterruptHandler::Writing> writing_;
    std::atomic<bool> writingNow_{false};
};

}  // namespace quelvar::ui::console
