// commission: a sheet of modules, found by one search, then each given its
// address and, when the sheet names one, its setup record file, by up to
// --jobs workers at once; a summary in sheet order at the end.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iomanip>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

#include "app/dialog_template.h"
#include "platform/utf8.h"
#include "ui/console/commands.h"
#include "ui/console/commission_board.h"
#include "ui/console/commission_checks.h"
#include "ui/console/commission_row.h"
#include "ui/console/commission_sheet.h"
#include "ui/console/interrupt.h"

namespace quelvar::ui::console {

namespace {

constexpr int kExitInterrupted = 130;

std::string rowLabel(std::size_t index, const SheetRow& row) {
    return "row " + std::to_string(index + 1) + " " + FormatMac(row.mac) + " -> " +
           FormatIpv4(row.address);
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

bool writeRowLog(const std::filesystem::path& folder, std::size_t index, const SheetRow& row,
                 const std::string& log) {
    std::string mac = FormatMac(row.mac);
    std::filesystem::path path =
        folder / ("row" + std::to_string(index + 1) + "-" + mac + ".log");
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream.write(log.data(), static_cast<std::streamsize>(log.size()));
    stream.close();
    return !stream.fail();
}

class CommissionRun {
  public:
    CommissionRun(Session& session, const CommissionSheet& sheet,
                  const std::filesystem::path& sheetFolder)
        : session_(session),
          sheet_(sheet),
          sheetFolder_(sheetFolder),
          board_(session.io().err, session.io().errorIsTerminal),
          results_(sheet.rows.size()) {}

    std::vector<RowResult> run(const discovery::DeviceTable& found) {
        const Options& options = session_.options();
        std::size_t workers = options.jobs == 0 ? sheet_.rows.size() : options.jobs;
        workers = std::clamp<std::size_t>(workers, 1, sheet_.rows.size());
        std::vector<std::thread> threads;
        threads.reserve(workers);
        for (std::size_t i = 0; i < workers; ++i) {
            threads.emplace_back([this, &found] { work(found); });
        }
        for (std::thread& thread : threads) thread.join();
        return std::move(results_);
    }

    bool interrupted() const { return stopSeen_.load(); }

  private:
    bool stopRequested() {
        bool stop = InterruptHandler::requested();
        if (stop && !stopSeen_.exchange(true)) {
            board_.note("stopping: rows under way end after their current step "
                        "(Ctrl+C again to quit at once)");
        }
        return stop;
    }

    void work(const discovery::DeviceTable& found) {
        for (;;) {
            std::size_t index = next_.fetch_add(1);
            if (index >= sheet_.rows.size()) return;
            if (stopRequested()) continue;  // left as not started
            runRow(index, found);
        }
    }

    void runRow(std::size_t index, const discovery::DeviceTable& found) {
        const SheetRow& row = sheet_.rows[index];
        const Options& options = session_.options();
        board_.started(index, rowLabel(index, row));

        // A session of the row's own: its own window state, sockets, log and
        // progress. Its messages are kept and shown with the row's result.
        std::istringstream noInput;
        std::ostringstream unused;
        std::ostringstream messages;
        ConsoleStreams io{noInput, unused, messages, false, false};
        Session session(io, options, launcher(), session_.language(), executable());
        // The run's one confirmation answers every question of the row.
        session.view().setAnswerPolicy(AnswerPolicy{true, false, true});
        session.view().setProgressObserver([this, index](int position) {
            board_.progress(index, position, app::kProgressUpper);
        });

        RowPlan plan;
        plan.row = &row;
        if (!row.file.empty()) {
            // Files are named relative to the sheet, so a sheet and its files move together.
            plan.file = platform::pathFromUtf8(row.file);
            if (plan.file.is_relative()) plan.file = sheetFolder_ / plan.file;
        }
        plan.verify = options.verify;
        plan.found = &found;
        plan.stopRequested = [this] { return stopRequested(); };
        plan.step = [this, index](const std::string& what) { board_.step(index, what); };

        RowResult result = CommissionRow(session, plan);
        if (options.logDir &&
            !writeRowLog(platform::pathFromUtf8(*options.logDir), index, row, result.log)) {
            messages << "cannot write the activity log into " << *options.logDir << '\n';
            if (result.state == RowResult::State::Passed) {
                result.state = RowResult::State::Failed;
                result.detail += "; log not written";
            }
        }
        board_.finished(index, finishedLines(index, row, messages.str(), result));
        results_[index] = std::move(result);
    }

    platform::Launcher& launcher() { return session_.launcher(); }
    const std::filesystem::path& executable() { return session_.executablePath(); }

    Session& session_;
    const CommissionSheet& sheet_;
    std::filesystem::path sheetFolder_;
    CommissionBoard board_;
    std::vector<RowResult> results_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stopSeen_{false};
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
    if (error || size > kMaxSheetBytes) {
        err << "cannot read " << name << ": larger than " << kMaxSheetBytes / 1024
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
            << FormatIpv4(row.address) << ' ' << std::setw(6) << stateText(result.state) << ' '
            << detail << '\n';
    }
    out << passed << " of " << sheet.rows.size() << " row(s) passed\n";
    out.flush();
}

}  // namespace

int RunCommissionCommand(Session& session) {
    ConsoleStreams& io = session.io();
    const Options& options = session.options();
    const std::string& sheetName = options.file;
    std::optional<std::string> text = readSheet(sheetName, io.err);
    if (!text) return kExitUsage;
    CommissionSheet sheet = ParseCommissionSheet(*text);
    for (const std::string& conflict : FindSheetConflicts(sheet.rows)) {
        sheet.errors.push_back(conflict);
    }
    for (const std::string& error : sheet.errors) io.err << sheetName << ": " << error << '\n';
    if (!sheet.errors.empty()) return kExitUsage;
    if (sheet.rows.empty()) {
        io.err << sheetName << ": no module rows\n";
        return kExitUsage;
    }
    if (options.logDir) {
        std::error_code error;
        std::filesystem::create_directories(platform::pathFromUtf8(*options.logDir), error);
        if (!std::filesystem::is_directory(platform::pathFromUtf8(*options.logDir), error)) {
            io.err << "cannot create the log folder " << *options.logDir << '\n';
            return kExitFailure;
        }
    }

    // One answer covers the whole sheet; the boxes of each row's operations
    // are then answered with it.
    if (!options.yes && !session.view().confirm("Commission " + std::to_string(sheet.rows.size()) +
                                                " module(s) listed in " + sheetName + "?")) {
        return kExitFailure;
    }

    InterruptHandler interrupt;
    // One search for the whole sheet: every row starts from what it found.
    app::Outcome searched = session.search();
    session.view().eraseProgress();
    if (searched.kind == app::OutcomeKind::SocketError) return kExitFailure;
    discovery::DeviceTable found = session.dlg().deviceTable();

    CommissionRun run(session, sheet, platform::pathFromUtf8(sheetName).parent_path());
    std::vector<RowResult> results = run.run(found);
    printSummary(io.out, sheet, results);
    if (run.interrupted()) return kExitInterrupted;
    bool allPassed = std::all_of(results.begin(), results.end(), [](const RowResult& result) {
        return result.state == RowResult::State::Passed;
    });
    return allPassed ? kExitSuccess : kExitFailure;
}

}  // namespace quelvar::ui::console
