// commission: a sheet of modules, found by one search, then each given its
// address and, when the sheet names one, its setup record file, by up to
// --jobs workers at once; a summary in sheet order at the end.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <iomanip>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

#include "ops/commission_module.h"
#include "platform/utf8.h"
#include "site/commission_checks.h"
#include "site/commission_sheet.h"
#include "ui/console/commands.h"
#include "ui/console/commission_board.h"
#include "ui/console/interrupt.h"
#include "ui/console/module_lookup.h"
#include "ui/console/row_events.h"

namespace quelvar::ui::console {

namespace {

using site::CommissionSheet;
using site::SheetRow;

// A row's result: the module's, or none for a row that never started.
struct RowResult {
    enum class State { NotStarted, Passed, Failed, Stopped };
    State state = State::NotStarted;
    std::string detail;
};

RowResult rowResultOf(const ops::CommissionResult& result) {
    switch (result.state) {
        case ops::CommissionResult::State::Passed: return {RowResult::State::Passed, result.detail};
        case ops::CommissionResult::State::Stopped:
            return {RowResult::State::Stopped, result.detail};
        case ops::CommissionResult::State::Failed: break;
    }
    return {RowResult::State::Failed, result.detail};
}

std::string rowLabel(std::size_t index, const SheetRow& row) {
    return "row " + std::to_string(index + 1) + " " + FormatMac(row.mac) + " -> " +
           formatIpv4(row.address);
}

std::string stateText(RowResult::State state) {
    switch (state) {
        case RowResult::State::Passed: return "pass";
        case RowResult::State::Failed: return "FAIL";
        case RowResult::State::Stopped: return "STOP";
        case RowResult::State::NotStarted: break;
    }
    return "-";
}

// Every line the row's operations showed, then its result, each marked with the row.
std::string finishedLines(std::size_t index, const SheetRow& row, const std::string& messages,
                          const RowResult& result) {
    std::string prefix = "row " + std::to_string(index + 1) + ": ";
    std::string lines;
    std::istringstream shown(messages);
    for (std::string line; std::getline(shown, line);) lines += prefix + line + '\n';
    return lines + rowLabel(index, row) + ": " + stateText(result.state) + " " + result.detail +
           '\n';
}

std::filesystem::path rowLogPath(const std::filesystem::path& folder, std::size_t index,
                                 const SheetRow& row) {
    return folder / ("row" + std::to_string(index + 1) + "-" + FormatMac(row.mac) + ".log");
}

class CommissionRun {
  public:
    CommissionRun(Console& console, const CommissionSheet& sheet,
                  const std::filesystem::path& sheetFolder)
        : console_(console),
          sheet_(sheet),
          sheetFolder_(sheetFolder),
          board_(console.err, console.errorIsTerminal),
          results_(sheet.rows.size()),
          writing_(sheet.rows.size()) {}

    std::vector<RowResult> run(const std::vector<discovery::DeviceEntry>& found) {
        std::size_t workers = console_.options.jobs == 0 ? sheet_.rows.size()
                                                          : console_.options.jobs;
        workers = std::clamp<std::size_t>(workers, 1, sheet_.rows.size());
        std::vector<std::thread> threads;
        threads.reserve(workers);
        for (std::size_t i = 0; i < workers; ++i) {
            threads.emplace_back([this, &found] {
                work(found);
                std::lock_guard lock(mutex_);
                ++workersDone_;
                wake_.notify_all();
            });
        }
        watch(workers);
        for (std::thread& thread : threads) thread.join();
        return std::move(results_);
    }

    bool interrupted() const { return InterruptHandler::requested(); }

  private:
    bool stopRequested() {
        bool stop = InterruptHandler::requested();
        if (stop) sayStopping();
        return stop;
    }

    void sayStopping() {
        if (!stopSaid_.exchange(true)) {
            board_.note("stopping: rows under way end after their current step "
                        "(Ctrl+C again to quit at once)");
        }
    }

    // Until every worker is done: a Ctrl+C is answered at once, and a second
    // one, held because modules are being written, with which ones.
    void watch(std::size_t workers) {
        bool warned = false;
        std::unique_lock lock(mutex_);
        while (workersDone_ < workers) {
            wake_.wait_for(lock, std::chrono::milliseconds(100));
            if (InterruptHandler::requested() && !stopSaid_.load()) {
                lock.unlock();
                sayStopping();
                lock.lock();
            }
            if (warned || !InterruptHandler::secondPressHeld()) continue;
            warned = true;
            std::string modules;
            for (std::size_t i = 0; i < writing_.size(); ++i) {
                if (writing_[i] == nullptr || !writing_[i]->isWriting()) continue;
                modules += (modules.empty() ? "" : ", ") + FormatMac(sheet_.rows[i].mac) +
                           " (row " + std::to_string(i + 1) + ")";
            }
            lock.unlock();
            board_.note("records are being written into " + modules +
                        ": quitting now leaves them half written and not reset. The run ends "
                        "once they are written; Ctrl+C a third time quits anyway.");
            lock.lock();
        }
    }

    void work(const std::vector<discovery::DeviceEntry>& found) {
        for (;;) {
            std::size_t index = next_.fetch_add(1);
            if (index >= sheet_.rows.size()) return;
            if (stopRequested()) continue;  // left as not started
            runRow(index, found);
        }
    }

    void runRow(std::size_t index, const std::vector<discovery::DeviceEntry>& found) {
        const SheetRow& row = sheet_.rows[index];
        const Options& options = console_.options;
        board_.started(index, rowLabel(index, row));

        RowEvents events(board_, index, console_.language);
        {
            std::lock_guard lock(mutex_);
            writing_[index] = &events;
        }
        bool logOpened = true;
        if (options.logDir) {
            logOpened =
                events.writeLogTo(rowLogPath(platform::pathFromUtf8(*options.logDir), index, row));
        }

        ops::CommissionPlan plan;
        plan.mac = row.mac;
        plan.address = row.address;
        if (!row.file.empty()) {
            // Files are named relative to the sheet, so a sheet and its files move together.
            plan.file = platform::pathFromUtf8(row.file);
            if (plan.file.is_relative()) plan.file = sheetFolder_ / plan.file;
        }
        plan.verify = options.verify;
        plan.stopRequested = [this] { return stopRequested(); };

        RowResult result =
            rowResultOf(ops::CommissionModule(found, plan, console_.retries, events));
        std::string messages = events.messages();
        if (!logOpened || !events.logWritten()) {
            messages += "cannot write the activity log into " + *options.logDir + '\n';
            if (result.state == RowResult::State::Passed) {
                result.state = RowResult::State::Failed;
                result.detail += "; log not written";
            }
        }
        {
            std::lock_guard lock(mutex_);
            writing_[index] = nullptr;
        }
        board_.finished(index, finishedLines(index, row, messages, result));
        results_[index] = std::move(result);
    }

    Console& console_;
    const CommissionSheet& sheet_;
    std::filesystem::path sheetFolder_;
    CommissionBoard board_;
    std::vector<RowResult> results_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stopSaid_{false};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::size_t workersDone_ = 0;
    std::vector<const RowEvents*> writing_;  // the events of each running row
};

// The sheet's text: a regular file of a sane size only. A folder, a device
// that never ends or a pipe that never closes is refused before it is read.
std::optional<std::string> readSheet(const std::string& name, std::ostream& err) {
    const std::filesystem::path path = platform::pathFromUtf8(name);
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        err << "cannot read " << name << ": no such file\n";
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        err << "cannot read " << name << ": not a regular file\n";
        return std::nullopt;
    }
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > site::kMaxSheetBytes) {
        err << "cannot read " << name << ": larger than " << site::kMaxSheetBytes / 1024
            << " KiB, not a commissioning sheet\n";
        return std::nullopt;
    }
    std::ifstream stream(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!stream.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        err << "cannot read " << name << '\n';
        return std::nullopt;
    }
    return text;
}

void printSummary(std::ostream& out, const CommissionSheet& sheet,
                  const std::vector<RowResult>& results) {
    std::size_t passed = 0;
    out << std::left << std::setw(4) << "ROW" << ' ' << std::setw(5) << "LINE" << ' '
        << std::setw(17) << "MAC" << ' ' << std::setw(15) << "ADDRESS" << ' ' << std::setw(6)
        << "RESULT" << ' ' << "DETAIL" << '\n';
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        const SheetRow& row = sheet.rows[i];
        const RowResult& result = results[i];
        if (result.state == RowResult::State::Passed) ++passed;
        std::string detail = result.state == RowResult::State::NotStarted
                                 ? "not started (interrupted)"
                                 : result.detail;
        out << std::left << std::setw(4) << i + 1 << ' ' << std::setw(5) << row.line << ' '
            << std::setw(17) << FormatMac(row.mac) << ' ' << std::setw(15)
            << formatIpv4(row.address) << ' ' << std::setw(6) << stateText(result.state) << ' '
            << detail << '\n';
    }
    out << passed << " of " << sheet.rows.size() << " row(s) passed\n";
    out.flush();
}

}  // namespace

int RunCommissionCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    const std::string& sheetName = options.file;
    std::optional<std::string> text = readSheet(sheetName, console.err);
    if (!text) return kExitUsage;
    CommissionSheet sheet = site::ParseCommissionSheet(*text);
    for (const std::string& conflict : site::FindSheetConflicts(sheet.rows)) {
        sheet.errors.push_back(conflict);
    }
    for (const std::string& error : sheet.errors) console.err << sheetName << ": " << error << '\n';
    if (!sheet.errors.empty()) return kExitUsage;
    if (sheet.rows.empty()) {
        console.err << sheetName << ": no module rows\n";
        return kExitUsage;
    }
    if (options.logDir) {
        std::error_code error;
        std::filesystem::create_directories(platform::pathFromUtf8(*options.logDir), error);
        if (!std::filesystem::is_directory(platform::pathFromUtf8(*options.logDir), error)) {
            console.err << "cannot create the log folder " << *options.logDir << '\n';
            return kExitFailure;
        }
    }

    // One answer covers the whole sheet and every question of its rows.
    if (!options.yes && !Confirm(console, "Commission " + std::to_string(sheet.rows.size()) +
                                              " module(s) listed in " + sheetName + "?")) {
        return kExitFailure;
    }

    InterruptHandler interrupt;
    // One search for the whole sheet: every row starts from what it found.
    ops::SearchReport searched = SearchModules(console, events);
    events.eraseProgress();
    if (searched.outcome.kind == ops::OutcomeKind::SocketError) return kExitFailure;

    CommissionRun run(console, sheet, platform::pathFromUtf8(sheetName).parent_path());
    std::vector<RowResult> results = run.run(searched.result.modules);
    printSummary(console.out, sheet, results);
    if (run.interrupted()) return kExitInterrupted;
    bool allPassed = std::all_of(results.begin(), results.end(), [](const RowResult& result) {
        return result.state == RowResult::State::Passed;
    });
    return allPassed ? kExitSuccess : kExitFailure;
}

}  // namespace quelvar::ui::console
