#include "site/site_run.h"

#include <chrono>
#include <fstream>

#include "platform/utf8.h"
#include "site/row_runner.h"

namespace quelvar::site {

namespace {

// A row's events that also keep its trace in a file, written as it goes so
// that a run that is killed leaves the trace up to there. The trace is every
// operation's in turn.
class LoggedEvents : public ops::Events {
  public:
    LoggedEvents(ops::Events& shown, const std::filesystem::path& path)
        : shown_(shown), file_(path, std::ios::binary | std::ios::trunc) {
        failed_ = !file_.is_open();
    }
    bool written() const { return !failed_; }

    void begun(ops::Operation operation) override { shown_.begun(operation); }
    void log(std::string_view text) override {
        shown_.log(text);
        if (failed_) return;
        file_.write(text.data(), static_cast<std::streamsize>(text.size()));
        file_.flush();
        failed_ = file_.fail();
    }
    void stage(ops::Stage stage, int number) override { shown_.stage(stage, number); }
    void alert(const ops::Outcome& outcome) override { shown_.alert(outcome); }
    void note(const ops::Reason& note) override { shown_.note(note); }
    void step(std::string_view what) override { shown_.step(what); }
    void writing(bool underway) override { shown_.writing(underway); }
    void finished() override { shown_.finished(); }

  private:
    ops::Events& shown_;
    std::ofstream file_;
    bool failed_ = false;
};

}  // namespace

RowResult RowOf(const ops::CommissionResult& done) {
    RowResult result;
    switch (done.state) {
        case ops::CommissionResult::State::Passed: result.state = RowState::Passed; break;
        case ops::CommissionResult::State::Stopped: result.state = RowState::Stopped; break;
        case ops::CommissionResult::State::Failed: result.state = RowState::Failed; break;
    }
    result.steps = done.steps;
    result.reason = done.reason;
    result.before = done.before;
    result.after = done.after;
    result.product = done.product;
    result.firmware = done.firmware;
    result.sha256 = done.sha256;
    return result;
}

discovery::SearchScope RunSearchScope(const ops::Retries& retries,
                                      std::vector<platform::Ipv4Octets> range) {
    discovery::SearchScope scope;
    scope.rounds = retries.searchRounds;
    scope.mergeRepeats = true;
    scope.capacity = kSearchCapacity;
    scope.range = std::move(range);
    return scope;
}

std::string RowName(const RowNames& names, platform::Language language) {
    if (names.sheetRow > 0) {
        return ops::WordsOf(ops::Fact{ops::FactKind::SheetRowName, {std::to_string(names.sheetRow)}},
                            language);
    }
    return ops::WordsOf(ops::Fact{ops::FactKind::ModuleName, {names.module}}, language);
}

std::string RowModule(const RowNames& names, platform::Language language) {
    if (names.sheetRow == 0) return names.module;
    return names.module + " (" + RowName(names, language) + ")";
}

std::string RowLabel(const RowNames& names, platform::Language language) {
    std::string label = RowName(names, language);
    if (names.sheetRow > 0) label += " " + names.module;
    if (!names.address.empty()) label += (names.moving ? " -> " : " ") + names.address;
    return label;
}

std::string ModuleLogName(const discovery::MacAddress& mac) {
    return "module-" + discovery::FormatMac(mac) + ".log";
}

std::vector<RowResult> RunSiteRows(const SiteRows& rows, const RunOptions& options,
                                   RunEvents& events) {
    std::vector<RowResult> results(rows.count);
    auto row = [&](std::size_t index) {
        RowResult& result = results[index];
        if (events.stopRequested()) {
            result.reason = {{ops::FactKind::NotStarted, {}}};
            return;
        }
        ops::Events& shown = events.rowBegun(index, rows.names(index));
        const auto started = std::chrono::steady_clock::now();
        const platform::WallTime startedAt = platform::WallNow();
        if (options.logFolder) {
            const std::filesystem::path path = *options.logFolder / rows.logName(index);
            LoggedEvents logged(shown, path);
            result = rows.body(index, logged);
            if (logged.written()) {
                result.log = platform::utf8Of(path);
            } else {
                shown.note(ops::Fact{ops::FactKind::LogNotWrittenInto,
                                     {platform::utf8Of(*options.logFolder)}});
                if (result.passed()) {
                    result.state = RowState::Failed;
                    result.reason.push_back({ops::FactKind::LogNotWritten, {}});
                }
            }
        } else {
            result = rows.body(index, shown);
        }
        result.started = startedAt;
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (rows.ended) rows.ended(index, result);
        events.rowEnded(index, result);
    };
    RunRows(rows.count, options.jobs, row, [&] {
        events.watch();
        if (rows.meanwhile) rows.meanwhile();
    });
    for (RowResult& result : results) {
        if (result.state == RowState::NotStarted && result.reason.empty()) {
            result.reason = {{ops::FactKind::NotStarted, {}}};
        }
    }
    return results;
}

}  // namespace quelvar::site
