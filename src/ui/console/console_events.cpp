#include "ui/console/console_events.h"

#include <algorithm>
#include <ostream>

#include "ops/messages.h"

namespace quelvar::ui::console {

namespace {

constexpr int kBarWidth = 26;  // two cells per position of the 0 to 13 range

}  // namespace

ConsoleEvents::ConsoleEvents(Console& console) : console_(console) {}

ConsoleEvents::~ConsoleEvents() {
    eraseProgress();
}

void ConsoleEvents::eraseProgress() {
    if (!progressShown_) return;
    // Back to the start of the line and clear it.
    console_.err << "\r\033[K";
    console_.err.flush();
    progressShown_ = false;
}

void ConsoleEvents::drawProgress() {
    if (!console_.errorIsTerminal) return;
    if (progress_ <= 0) {
        eraseProgress();
        return;
    }
    const int filled = std::min(progress_ * kBarWidth / ops::kProgressUpper, kBarWidth);
    console_.err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                 << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] "
                 << progress_ << '/' << ops::kProgressUpper << "\033[K";
    console_.err.flush();
    progressShown_ = true;
}

void ConsoleEvents::say(std::string_view line) {
    eraseProgress();
    console_.err << line << '\n';
    console_.err.flush();
    drawProgress();
}

void ConsoleEvents::log(std::string_view text) {
    sayHeldPress();
    ops::AppendCapped(log_, text);
}

void ConsoleEvents::stage(ops::Stage stage, int number) {
    moveProgress(ops::ProgressPosition(operation_, stage, number));
}

void ConsoleEvents::moveProgress(int position) {
    sayHeldPress();
    progress_ = position;
    drawProgress();
}

void ConsoleEvents::writing(bool underway) {
    if (underway) {
        writing_.emplace();
    } else {
        writing_.reset();
    }
}

void ConsoleEvents::sayHeldPress() {
    if (heldPressSaid_ || !writing_ || !InterruptHandler::pressHeld()) return;
    heldPressSaid_ = true;
    say("the records are being written into the module: quitting now leaves it half written "
        "and not reset. The command ends once they are written; Ctrl+C again quits anyway.");
}

void ConsoleEvents::alert(const ops::Outcome& outcome) {
    if (std::optional<ops::Message> message = ops::MessageFor(outcome, console_.language)) {
        say(message->text);
    }
}

void ConsoleEvents::note(const ops::Reason& note) {
    say(ops::WordsOf(note, console_.language));
}

void ConsoleEvents::finished() {
    moveProgress(ops::ProgressWhileDone(operation_));
    say(ops::LoadString(ops::StringId::Done, console_.language));
}

}  // namespace quelvar::ui::console
