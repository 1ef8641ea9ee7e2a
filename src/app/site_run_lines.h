#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/site_view.h"
#include "platform/language.h"
#include "site/site_run.h"

namespace quelvar::app {

// The Site window's table while a run goes: what the rows' operations report,
// from threads of their own, is kept in the lines, and the lines that changed
// go to the window in one call about ten times a second (watch(), on the
// run's thread), so that a thousand rows never flood it.
class SiteRunLines : public site::RunEvents {
  public:
    // The line of a run's row; nullopt for a row of no line.
    using LineOf = std::function<std::optional<std::size_t>(std::size_t row, const site::RowNames&)>;

    // Notes are handed to `say`, on the run's thread, as they are flushed.
    using Say = std::function<void(const std::vector<std::string>& notes)>;

    SiteRunLines(SiteView& view, platform::Language language, std::vector<SiteLine> lines,
                 std::vector<int> steps, LineOf lineOf, std::size_t rows, Say say);
    ~SiteRunLines() override;

    ops::Events& runEvents() override;
    void searched(const discovery::SearchResult& result) override;
    ops::Events& rowBegun(std::size_t row, const site::RowNames& names) override;
    void rowEnded(std::size_t row, const site::RowResult& result) override;
    bool stopRequested() override { return stop_; }
    void watch() override;

    // From any thread: no row starts after this, those under way end after
    // their current step.
    void requestStop() { stop_ = true; }
    bool stopping() const { return stop_; }
    // How many rows are writing records into their modules right now.
    std::size_t writing() const;

    // A line as the run ended it; the window hears of it with flush().
    void endLine(std::size_t line, const site::RowResult& result);
    // The lines that changed to the window, the notes that came to the
    // window's notes, the status line anew.
    void flush();
    std::vector<SiteLine> lines() const;

    // A note for the window, from any thread.
    void note(std::string line);

    // Edits a line once its row has ended and the run's result is in it,
    // under the lines' lock, on the row's thread: an audit's signs and
    // verdict. Set before the run starts.
    using EndEdit = std::function<void(std::size_t line, SiteLine&)>;
    void editEndedLines(EndEdit edit);

  private:
    class RowEvents;
    class SearchEvents;
    friend class RowEvents;

    void change(std::size_t line, const std::function<void(SiteLine&)>& edit);
    std::string statusLocked() const;

    SiteView& view_;
    platform::Language language_;
    LineOf lineOf_;
    std::size_t rows_;
    Say say_;
    EndEdit endEdit_;

    mutable std::mutex mutex_;
    std::vector<SiteLine> lines_;
    std::vector<int> steps_;
    std::set<std::size_t> changed_;
    std::vector<std::string> notes_;
    std::map<std::size_t, std::unique_ptr<RowEvents>> running_;  // by row
    std::size_t ended_ = 0;
    bool searched_ = false;  // the search the run starts from is over

    std::atomic<bool> stop_{false};
    std::unique_ptr<SearchEvents> searchEvents_;
};

// The line of a row as it ended: its result, reason, step, addresses and look.
SiteLine EndedLine(SiteLine line, const site::RowResult& result, platform::Language language);

}  // namespace quelvar::app
