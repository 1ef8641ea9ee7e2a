#include "ui/console/console_run.h"

#include <sstream>

#include "platform/utf8.h"
#include "ui/console/interrupt.h"
#include "ui/console/module_lookup.h"
#include "ui/console/row_table.h"

namespace quelvar::ui::console {

ConsoleRun::ConsoleRun(Console& console, ConsoleEvents& events)
    : console_(console), events_(events), board_(console.err, console.errorIsTerminal) {}

ops::Events& ConsoleRun::rowBegun(std::size_t row, const site::RowNames& names) {
    board_.started(row, site::RowLabel(names, console_.language));
    auto events = std::make_unique<RowEvents>(board_, row, console_.language);
    RowEvents& given = *events;
    std::lock_guard lock(mutex_);
    running_[row] = Running{names, std::move(events)};
    return given;
}

void ConsoleRun::rowEnded(std::size_t row, const site::RowResult& result) {
    Running ended;
    {
        std::lock_guard lock(mutex_);
        auto it = running_.find(row);
        if (it == running_.end()) return;
        ended = std::move(it->second);
        running_.erase(it);
    }
    // Every line the row's operations showed, then its result, each marked with the row.
    const std::string prefix = site::RowName(ended.names, console_.language) + ": ";
    std::string lines;
    std::istringstream shown(ended.events->messages());
    for (std::string line; std::getline(shown, line);) lines += prefix + line + '\n';
    board_.finished(row, lines + site::RowLabel(ended.names, console_.language) + ": " +
                             TableWord(result.state, console_.language) + " " +
                             result.words(console_.language) + '\n');
}

bool ConsoleRun::stopRequested() {
    const bool stop = InterruptHandler::requested();
    if (stop) sayStopping();
    return stop;
}

bool ConsoleRun::interrupted() const { return InterruptHandler::requested(); }

void ConsoleRun::searched(const discovery::SearchResult& result) {
    SayWhatTheSearchLeftOut(result, events_);
    events_.eraseProgress();
}

site::RunOptions ConsoleRun::options(const std::optional<std::filesystem::path>& logFolder) const {
    site::RunOptions options;
    options.jobs = console_.options.jobs;
    options.retries = console_.retries;
    options.search = ConsoleSearchScope(console_);
    options.logFolder = logFolder;
    options.verify = console_.options.verify;
    return options;
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

void ConsoleRun::sayStopping() {
    if (!stopSaid_.exchange(true)) {
        board_.note(std::string(TableTextIn(TableText::Stopping, console_.language)));
    }
}

void ConsoleRun::watch() {
    if (InterruptHandler::requested()) sayStopping();
    if (warned_ || !InterruptHandler::pressHeld()) return;
    warned_ = true;
    std::string modules;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [row, running] : running_) {
            if (!running.events->isWriting()) continue;
            modules += (modules.empty() ? "" : ", ") + site::RowModule(running.names, console_.language);
        }
    }
    board_.note(platform::FillIn(TableTextIn(TableText::StillWriting, console_.language), {modules}));
}

}  // namespace quelvar::ui::console
