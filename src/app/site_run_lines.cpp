#include "app/site_run_lines.h"

#include <algorithm>

#include "app/site_preparation.h"
#include "app/site_texts.h"
#include "ops/messages.h"
#include "site/handover_words.h"

namespace quelvar::app {

namespace {

LineLook LookOf(site::RowState state) {
    switch (state) {
        case site::RowState::Passed:
            return LineLook::Passed;
        case site::RowState::Failed:
            return LineLook::Failed;
        case site::RowState::Stopped:
            return LineLook::Stopped;
        case site::RowState::NotStarted:
            break;
    }
    return LineLook::Waiting;
}

}  // namespace

// What one row's operations report, put into its line: the step under way,
// the bar over all its steps, whether records are being written, and why it
// failed as soon as it is known.
class SiteRunLines::RowEvents : public ops::Events {
  public:
    RowEvents(SiteRunLines& owner, std::size_t line, std::string module)
        : owner_(owner), line_(line), module_(std::move(module)) {}

    void begun(ops::Operation operation) override { operation_ = operation; }
    void log(std::string_view) override {}
    void stage(ops::Stage stage, int number) override {
        const int position = ops::ProgressPosition(operation_, stage, number);
        owner_.change(line_, [&](SiteLine& line) {
            const int steps = std::max(1, owner_.steps_[line_]);
            const int done = std::max(0, begunSteps_ - 1);
            line.progress = std::clamp(
                (done * ops::kProgressUpper + position) * 100 / (steps * ops::kProgressUpper), 0, 99);
        });
    }
    void alert(const ops::Outcome& outcome) override {
        if (std::optional<ops::Message> message = ops::MessageFor(outcome, owner_.language_)) {
            owner_.change(line_, [&](SiteLine& line) { line.reason = message->text; });
        }
    }
    void note(const ops::Reason& note) override {
        owner_.note(module_ + ": " + ops::WordsOf(note, owner_.language_));
    }
    void step(std::string_view what) override {
        owner_.change(line_, [&](SiteLine& line) {
            ++begunSteps_;
            line.step = ops::StepWord(what, owner_.language_);
        });
    }
    void writing(bool underway) override { writing_ = underway; }

    bool isWriting() const { return writing_; }
    std::size_t line() const { return line_; }

  private:
    SiteRunLines& owner_;
    std::size_t line_;
    std::string module_;
    ops::Operation operation_ = ops::Operation::Search;
    int begunSteps_ = 0;  // under the owner's lock
    std::atomic<bool> writing_{false};
};

// The search a run starts from: what it found out goes to the notes.
class SiteRunLines::SearchEvents : public ops::Events {
  public:
    explicit SearchEvents(SiteRunLines& owner) : owner_(owner) {}
    void begun(ops::Operation) override {}
    void log(std::string_view) override {}
    void stage(ops::Stage, int) override {}
    void alert(const ops::Outcome& outcome) override {
        if (std::optional<ops::Message> message = ops::MessageFor(outcome, owner_.language_)) {
            owner_.note(message->text);
        }
    }
    void note(const ops::Reason& note) override {
        owner_.note(ops::WordsOf(note, owner_.language_));
    }

  private:
    SiteRunLines& owner_;
};

SiteRunLines::SiteRunLines(SiteView& view, platform::Language language,
                           std::vector<SiteLine> lines, std::vector<int> steps, LineOf lineOf,
                           std::size_t rows, Say say)
    : view_(view),
      language_(language),
      lineOf_(std::move(lineOf)),
      rows_(rows),
      say_(std::move(say)),
      lines_(std::move(lines)),
      steps_(std::move(steps)),
      searchEvents_(std::make_unique<SearchEvents>(*this)) {
    steps_.resize(lines_.size(), 1);
}

SiteRunLines::~SiteRunLines() = default;

ops::Events& SiteRunLines::runEvents() { return *searchEvents_; }

void SiteRunLines::searched(const discovery::SearchResult& result) {
    {
        std::lock_guard lock(mutex_);
        searched_ = true;
    }
    for (std::string& line : SearchLeftOut(result, language_)) note(std::move(line));
    note(SiteSay(SiteMessage::Found, language_, {std::to_string(result.modules.size())}));
    flush();
}

ops::Events& SiteRunLines::rowBegun(std::size_t row, const site::RowNames& names) {
    const std::optional<std::size_t> line = lineOf_(row, names);
    std::lock_guard lock(mutex_);
    // A row of no line still gets events of its own, which show nowhere.
    const std::size_t index = line && *line < lines_.size() ? *line : lines_.size();
    auto events = std::make_unique<RowEvents>(*this, index, site::RowModule(names, language_));
    RowEvents& given = *events;
    running_[row] = std::move(events);
    if (index < lines_.size()) {
        SiteLine& shown = lines_[index];
        shown.result = SiteSay(SiteMessage::Running1, language_);
        shown.look = LineLook::Running;
        shown.progress = 0;
        changed_.insert(index);
    }
    return given;
}

void SiteRunLines::rowEnded(std::size_t row, const site::RowResult& result) {
    std::lock_guard lock(mutex_);
    ++ended_;
    const auto it = running_.find(row);
    if (it == running_.end()) return;
    const std::size_t index = it->second->line();
    running_.erase(it);
    if (index < lines_.size()) {
        lines_[index] = EndedLine(lines_[index], result, language_);
        if (endEdit_) endEdit_(index, lines_[index]);
        changed_.insert(index);
    }
}

void SiteRunLines::watch() { flush(); }

void SiteRunLines::editEndedLines(EndEdit edit) {
    std::lock_guard lock(mutex_);
    endEdit_ = std::move(edit);
}

std::size_t SiteRunLines::writing() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        running_.begin(), running_.end(), [](const auto& row) { return row.second->isWriting(); }));
}

void SiteRunLines::endLine(std::size_t line, const site::RowResult& result) {
    std::lock_guard lock(mutex_);
    if (line >= lines_.size()) return;
    lines_[line] = EndedLine(lines_[line], result, language_);
    changed_.insert(line);
}

void SiteRunLines::flush() {
    std::vector<std::pair<std::size_t, SiteLine>> changed;
    std::vector<std::string> notes;
    std::string status;
    {
        std::lock_guard lock(mutex_);
        changed.reserve(changed_.size());
        for (std::size_t index : changed_) changed.emplace_back(index, lines_[index]);
        changed_.clear();
        notes.swap(notes_);
        status = statusLocked();
    }
    if (!changed.empty()) view_.updateLines(changed);
    if (!notes.empty()) say_(notes);
    view_.setStatus(status);
}

std::vector<SiteLine> SiteRunLines::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void SiteRunLines::note(std::string line) {
    std::lock_guard lock(mutex_);
    notes_.push_back(std::move(line));
}

void SiteRunLines::change(std::size_t line, const std::function<void(SiteLine&)>& edit) {
    std::lock_guard lock(mutex_);
    if (line >= lines_.size()) return;
    edit(lines_[line]);
    changed_.insert(line);
}

std::string SiteRunLines::statusLocked() const {
    if (stop_) {
        const auto writing = static_cast<std::size_t>(std::count_if(
            running_.begin(), running_.end(), [](const auto& row) { return row.second->isWriting(); }));
        return SiteSay(SiteMessage::Stopping, language_, {std::to_string(writing)});
    }
    if (!searched_) return SiteSay(SiteMessage::Searching, language_);
    return SiteSay(SiteMessage::Running, language_,
                   {std::to_string(ended_), std::to_string(rows_), std::to_string(running_.size())});
}

SiteLine EndedLine(SiteLine line, const site::RowResult& result, platform::Language language) {
    // Before a row runs its line shows where the module is planned to be;
    // once it ran, only what the run knows: a module not found answers nowhere.
    if (result.state != site::RowState::NotStarted) {
        line.before = result.before;
        line.after = result.after;
    }
    if (!result.steps.empty()) line.step = ops::StepWord(result.step(), language);
    if (result.passed()) line.progress = 100;
    line.result = std::string(site::StateName(result.state, language));
    line.reason = result.words(language);
    line.look = LookOf(result.state);
    return line;
}

}  // namespace quelvar::app
