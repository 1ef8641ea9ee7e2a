#include "ui/console/row_events.h"

#include "ops/messages.h"

namespace quelvar::ui::console {

RowEvents::RowEvents(CommissionBoard& board, std::size_t row, platform::Language language)
    : board_(board), row_(row), language_(language) {}

void RowEvents::stage(ops::Stage stage, int number) {
    board_.progress(row_, ops::ProgressPosition(operation_, stage, number), ops::kProgressUpper);
}

void RowEvents::alert(const ops::Outcome& outcome) {
    if (std::optional<ops::Message> message = ops::MessageFor(outcome, language_)) {
        messages_ += message->text + '\n';
    }
}

void RowEvents::note(const ops::Reason& note) {
    messages_ += ops::WordsOf(note, language_) + '\n';
}

void RowEvents::finished() {
    messages_ += ops::LoadString(ops::StringId::Done, language_) + '\n';
}

void RowEvents::writing(bool underway) {
    if (underway) {
        writing_.emplace();
    } else {
        writing_.reset();
    }
    writingNow_.store(underway);
}

}  // namespace quelvar::ui::console
