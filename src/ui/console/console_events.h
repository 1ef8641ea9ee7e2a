#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ops/events.h"
#include "ui/console/console.h"
#include "ui/console/interrupt.h"

namespace quelvar::ui::console {

// What an operation reports, as a terminal shows it: every message the
// window would show in a box, and every note, on a line of stderr of its own,
// and "done." where the window says it. When stderr is a terminal, a progress
// bar of the window's positions 0 to 13 is drawn on it. The trace of every
// operation the command runs is kept, one after the other (capped as the
// activity log is), for --log.
class ConsoleEvents : public ops::Events {
  public:
    explicit ConsoleEvents(Console& console);
    ~ConsoleEvents() override;
    ConsoleEvents(const ConsoleEvents&) = delete;
    ConsoleEvents& operator=(const ConsoleEvents&) = delete;

    const std::string& log() const { return log_; }
    // Takes the progress bar off the terminal line, so other output can follow.
    void eraseProgress();
    // A line of the console's own on stderr, around the progress bar.
    void say(std::string_view line);

    void begun(ops::Operation operation) override { operation_ = operation; }
    void log(std::string_view text) override;
    void stage(ops::Stage stage, int number) override;
    void alert(const ops::Outcome& outcome) override;
    void note(const ops::Reason& note) override;
    void finished() override;
    // While the module is written, a Ctrl+C is held (see InterruptHandler),
    // and said once.
    void writing(bool underway) override;

  private:
    void moveProgress(int position);
    void drawProgress();
    void sayHeldPress();

    std::optional<InterruptHandler::Writing> writing_;
    bool heldPressSaid_ = false;
    Console& console_;
    std::string log_;
    ops::Operation operation_ = ops::Operation::Search;
    int progress_ = 0;
    bool progressShown_ = false;
};

}  // namespace quelvar::ui::console
