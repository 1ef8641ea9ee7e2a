#include "ui/console/commission_board.h"

#include <ostream>

namespace quelvar::ui::console {

namespace {

// Progress moves many times a second per row; the board is redrawn at most
// this often for it, so fifty rows cost next to nothing to show.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

CommissionBoard::CommissionBoard(std::ostream& err, bool live) : err_(err), live_(live) {}

CommissionBoard::~CommissionBoard() {
    std::lock_guard lock(mutex_);
    eraseLocked();
}

void CommissionBoard::started(std::size_t row, const std::string& label) {
    std::lock_guard lock(mutex_);
    running_[row] = Running{label, "search", 0, 0};
    if (live_) drawLocked();
}

void CommissionBoard::step(std::size_t row, const std::string& what) {
    std::lock_guard lock(mutex_);
    auto it = running_.find(row);
    if (it == running_.end()) return;
    it->second.step = what;
    it->second.position = 0;
    if (live_) drawLocked();
}

void CommissionBoard::progress(std::size_t row, int position, int upper) {
    // Only a live board shows progress; a thousand rows need not queue for it.
    if (!live_) return;
    std::lock_guard lock(mutex_);
    auto it = running_.find(row);
    if (it == running_.end()) return;
    it->second.position = position;
    it->second.upper = upper;
    if (std::chrono::steady_clock::now() - lastDraw_ >= kRedrawInterval) drawLocked();
}

void CommissionBoard::finished(std::size_t row, const std::string& lines) {
    std::lock_guard lock(mutex_);
    running_.erase(row);
    eraseLocked();
    err_ << lines;
    if (live_) drawLocked();
    err_.flush();
}

void CommissionBoard::note(const std::string& line) {
    std::lock_guard lock(mutex_);
    eraseLocked();
    err_ << line << '\n';
    if (live_) drawLocked();
    err_.flush();
}

void CommissionBoard::eraseLocked() {
    if (drawnLines_ == 0) return;
    // Up to the first status line, then clear to the end of the screen.
    err_ << "\033[" << drawnLines_ << "F\033[J";
    drawnLines_ = 0;
}

void CommissionBoard::drawLocked() {
    eraseLocked();
    for (const auto& [row, state] : running_) {
        err_ << state.label << "  " << state.step;
        if (state.position > 0 && state.upper > 0) err_ << ' ' << state.position << '/' << state.upper;
        err_ << "\033[K\n";
        ++drawnLines_;
    }
    err_.flush();
    lastDraw_ = std::chrono::steady_clock::now();
}

}  // namespace quelvar::ui::console
