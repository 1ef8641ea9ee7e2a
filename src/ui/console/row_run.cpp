#include "ui/console/row_run.h"

#include <sstream>

#include "ops/events.h"
#include "platform/utf8.h"
#include "site/row_runner.h"

namespace quelvar::ui::console {

std::string StateWord(RowOutcome::State state) {
    switch (state) {
        case RowOutcome::State::Passed:
            return "pass";
        case RowOutcome::State::Failed:
            return "FAIL";
        case RowOutcome::State::Stopped:
            return "STOP";
        case RowOutcome::State::NotStarted:
            break;
    }
    return "-";
}

bool PrepareLogFolder(Console& console, std::optional<std::filesystem::path>& folder) {
    folder.reset();
    if (!console.options.logDir) return true;
    folder = platform::pathFromUtf8(*console.options.logDir);
    std::error_code error;
    std::filesystem::create_directories(*folder, error);
    if (std::filesystem::is_directory(*folder, error)) return true;
    console.err << "cannot create the log folder " << *console.options.logDir << '\n';
    return false;
}

std::string ModuleLogName(const discovery::MacAddress& mac) {
    return "module-" + discovery::FormatMac(mac) + ".log";
}

RowOutcome::State RowStateOf(ops::CommissionResult::State state) {
    switch (state) {
        case ops::CommissionResult::State::Passed:
            return RowOutcome::State::Passed;
        case ops::CommissionResult::State::Stopped:
            return RowOutcome::State::Stopped;
        case ops::CommissionResult::State::Failed:
            break;
    }
    return RowOutcome::State::Failed;
}

RowRun::RowRun(Console& console, std::size_t rows, Text name, Text label, Text module)
    : console_(console),
      rows_(rows),
      name_(std::move(name)),
      label_(std::move(label)),
      module_(std::move(module)),
      board_(console.err, console.errorIsTerminal),
      running_(rows, nullptr) {}

bool RowRun::stopRequested() {
    const bool stop = InterruptHandler::requested();
    if (stop) sayStopping();
    return stop;
}

void RowRun::sayStopping() {
    if (!stopSaid_.exchange(true)) {
        board_.note(
            "stopping: rows under way end after their current step "
            "(Ctrl+C again to quit at once)");
    }
}

void RowRun::watch() {
    if (InterruptHandler::requested()) sayStopping();
    if (warned_ || !InterruptHandler::pressHeld()) return;
    warned_ = true;
    std::string modules;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < running_.size(); ++i) {
            if (running_[i] == nullptr || !running_[i]->isWriting()) continue;
            modules += (modules.empty() ? "" : ", ") + module_(i);
        }
    }
    board_.note("records are being written into " + modules +
                ": quitting now leaves them half written and not reset. The run ends "
                "once they are written; Ctrl+C a third time quits anyway.");
}

std::vector<RowOutcome> RowRun::run(const Body& body,
                                    const std::optional<std::filesystem::path>& logFolder,
                                    const std::function<std::string(std::size_t)>& logName,
                                    const std::function<void()>& meanwhile) {
    std::vector<RowOutcome> outcomes(rows_);
    auto row = [&](std::size_t index) {
        if (stopRequested()) return;  // left as not started
        board_.started(index, label_(index));
        RowEvents events(board_, index, console_.language);
        bool logOpened = true;
        if (logFolder) logOpened = events.writeLogTo(*logFolder / logName(index));
        {
            std::lock_guard lock(mutex_);
            running_[index] = &events;
        }
        RowOutcome outcome = body(index, events);
        std::string messages = events.messages();
        if (!logOpened || !events.logWritten()) {
            messages += "cannot write the activity log into " + logFolder->string() + '\n';
            if (outcome.state == RowOutcome::State::Passed) {
                outcome.state = RowOutcome::State::Failed;
                outcome.detail += "; log not written";
            }
        }
        {
            std::lock_guard lock(mutex_);
            running_[index] = nullptr;
        }
        // Every line the row's operations showed, then its result, each marked with the row.
        const std::string prefix = name_(index) + ": ";
        std::string lines;
        std::istringstream shown(messages);
        for (std::string line; std::getline(shown, line);) lines += prefix + line + '\n';
        board_.finished(index, lines + label_(index) + ": " + StateWord(outcome.state) + " " +
                                   outcome.detail + '\n');
        outcomes[index] = std::move(outcome);
    };
    site::RunRows(rows_, console_.options.jobs, row, [&] {
        watch();
        if (meanwhile) meanwhile();
    });
    return outcomes;
}

}  // namespace quelvar::ui::console
