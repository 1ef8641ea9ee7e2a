#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>

namespace quelvar::ui::console {

// What the user sees of a commissioning run while it goes on. On a terminal,
// one live status line per running row (its step and progress), with every
// finished row's lines printed above them; otherwise only the lines of each
// row as it finishes. Safe to call from every worker at once.
class CommissionBoard {
  public:
    CommissionBoard(std::ostream& err, bool live);
    ~CommissionBoard();
    CommissionBoard(const CommissionBoard&) = delete;
    CommissionBoard& operator=(const CommissionBoard&) = delete;

    void started(std::size_t row, const std::string& label);
    void step(std::size_t row, const std::string& what);
    void progress(std::size_t row, int position, int upper);
    // Lines to keep (the row's messages and its result), printed as one block.
    void finished(std::size_t row, const std::string& lines);
    // A line of the run's own ("stopping ...").
    void note(const std::string& line);

  private:
    struct Running {
        std::string label;
        std::string step;
        int position = 0;
        int upper = 0;
    };
    void eraseLocked();
    void drawLocked();

    std::ostream& err_;
    bool live_;
    std::mutex mutex_;
    std::map<std::size_t, Running> running_;
    std::size_t drawnLines_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace quelvar::ui::console
