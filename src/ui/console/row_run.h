#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ops/commission_module.h"
#include "site/row_runner.h"
#include "ui/console/commission_board.h"
#include "ui/console/console.h"
#include "ui/console/interrupt.h"
#include "ui/console/row_events.h"

namespace quelvar::ui::console {

// How one row of a run over many modules ended.
struct RowOutcome {
    enum class State { NotStarted, Passed, Failed, Stopped };
    State state = State::NotStarted;
    std::string detail;  // what was done, or why it failed: one line
};

// "pass", "FAIL", "STOP" or "-" for a summary table.
std::string StateWord(RowOutcome::State state);

// The folder --log-dir names, created, in `folder` (nothing without
// --log-dir); false, and told, when it cannot be created.
bool PrepareLogFolder(Console& console, std::optional<std::filesystem::path>& folder);

// "module-02-00-5E-10-00-02.log": the log of a backup's or restore's row.
std::string ModuleLogName(const discovery::MacAddress& mac);

// How a row ended that brought one module into service.
RowOutcome::State RowStateOf(ops::CommissionResult::State state);

// A run of commission, backup or restore: its rows side by side on the board
// (live lines on a terminal, each row's messages and result as it ends), up
// to --jobs at a time, and Ctrl+C as the console has it: the first press lets
// the rows under way end their current step and starts no more; a second one
// while modules are being written says which ones and waits for them; a
// third quits.
class RowRun {
  public:
    // `name(index)`: "row 3", the mark of the row's message lines;
    // `label(index)`: "row 3 02-00-5E-10-00-02 -> 127.0.1.12", its status
    // line; `module(index)`: what the warning of a held second press names.
    using Text = std::function<std::string(std::size_t)>;
    RowRun(Console& console, std::size_t rows, Text name, Text label, Text module);

    // Runs `body` for every row that starts; its result and messages go to
    // the board as it ends. With `logFolder`, each row's log is written there,
    // as it goes, to `logName(index)`. `meanwhile()`, when given, runs on the
    // calling thread about ten times a second while rows run.
    using Body = std::function<RowOutcome(std::size_t, RowEvents&)>;
    std::vector<RowOutcome> run(const Body& body,
                                const std::optional<std::filesystem::path>& logFolder = {},
                                const std::function<std::string(std::size_t)>& logName = {},
                                const std::function<void()>& meanwhile = {});

    // Checked by the bodies between steps; says once that the run is stopping.
    bool stopRequested();
    bool interrupted() const { return InterruptHandler::requested(); }

  private:
    void watch();
    void sayStopping();

    Console& console_;
    std::size_t rows_;
    Text name_;
    Text label_;
    Text module_;
    CommissionBoard board_;
    std::atomic<bool> stopSaid_{false};
    bool warned_ = false;
    std::mutex mutex_;
    std::vector<const RowEvents*> running_;  // the events of each running row
};

}  // namespace quelvar::ui::console
