#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "site/site_run.h"
#include "ui/console/commission_board.h"
#include "ui/console/console.h"
#include "ui/console/console_events.h"
#include "ui/console/row_events.h"

namespace quelvar::ui::console {

// The folder --log-dir names, created (nothing without --log-dir); false,
// and told, when it cannot be created.
bool PrepareLogFolder(Console& console, std::optional<std::filesystem::path>& folder);

// How the console shows a run of commission, backup or restore: its rows
// side by side on the board (live lines on a terminal, each row's messages
// and result as it ends), and Ctrl+C as the console has it: the first press
// lets the rows under way end their current step and starts no more; a
// second one while modules are being written says which ones and waits for
// them; a third quits.
class ConsoleRun : public site::RunEvents {
  public:
    ConsoleRun(Console& console, ConsoleEvents& events);

    ops::Events& runEvents() override { return events_; }
    void searched(const discovery::SearchResult& result) override;
    ops::Events& rowBegun(std::size_t row, const site::RowNames& names) override;
    void rowEnded(std::size_t row, const site::RowResult& result) override;
    bool stopRequested() override;
    void watch() override;

    bool interrupted() const;
    // The options every run takes, from the command line.
    site::RunOptions options(const std::optional<std::filesystem::path>& logFolder) const;

  private:
    struct Running {
        site::RowNames names;
        std::unique_ptr<RowEvents> events;
    };
    void sayStopping();

    Console& console_;
    ConsoleEvents& events_;
    CommissionBoard board_;
    std::atomic<bool> stopSaid_{false};
    bool warned_ = false;
    std::mutex mutex_;
    std::map<std::size_t, Running> running_;
};

}  // namespace quelvar::ui::console
