#include "ui/console/row_events.h"

#include "ops/messages.h"

namespace quelvar::ui::console {

RowEvents::RowEvents(CommissionBoard& board, std::size_t row, platform::Language language)
    : board_(board), row_(row), language_(language) {}

bool RowEvents::writeLogTo(const std::filesystem::path& path) {
    file_.open(path, std::ios::binary | std::ios::trunc);
    fileFailed_ = !file_.is_open();
    return !fileFailed_;
}

bool RowEvents::logWritten() const {
    return !fileFailed_;
}

void RowEvents::log(std::string_view text) {
    if (!file_.is_open()) return;
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    // Flushed with every text: a kill must leave the trace up to here.
    file_.flush();
    if (file_.fail()) fileFailed_ = true;
}

void RowEvents::progress(int position) {
    board_.progress(row_, position, ops::kProgressUpper);
}

void RowEvents::alert(const ops::Outcome& outcome) {
    if (std::optional<ops::Message> message = ops::MessageFor(outcome, language_)) {
        messages_ += message->text + '\n';
    }
}

void RowEvents::note(std::string_view line) {
    messages_.append(line);
    messages_ += '\n';
}

void RowEvents::done(int) {
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
