#pragma once

#include <string>
#include <vector>

#include "ops/events.h"

namespace quelvar::testing {

// Events that keep everything an operation reported, in order, for the
// operation tests' assertions: the log as the window would hold it (begun
// afresh with each operation), the window's progress positions its stages
// give, every alert, note and step, and where "done." came.
class RecordingEvents : public ops::Events {
  public:
    std::string trace;                   // the log since the last operation began
    std::vector<int> positions;          // the window's bar, stage by stage
    std::vector<ops::Outcome> alerts;
    std::vector<std::string> notes;
    std::vector<std::string> steps;
    std::vector<int> doneAt;             // the progress position of each "done."
    int clears = 0;                      // operations begun
    int ipSetups = 0;                    // IP-SETUP commands sent
    std::vector<bool> writes;  // writing(true) / writing(false), in order

    void begun(ops::Operation operation) override {
        operation_ = operation;
        trace.clear();
        ++clears;
    }
    void log(std::string_view text) override { trace.append(text); }
    void stage(ops::Stage stage, int number) override {
        positions.push_back(ops::ProgressPosition(operation_, stage, number));
        if (stage == ops::Stage::CommandSent) ++ipSetups;
    }
    void alert(const ops::Outcome& outcome) override { alerts.push_back(outcome); }
    void note(const ops::Reason& note) override {
        notes.push_back(ops::WordsOf(note, platform::Language::English));
    }
    void step(std::string_view what) override { steps.emplace_back(what); }
    void finished() override { doneAt.push_back(ops::ProgressWhileDone(operation_)); }
    void writing(bool underway) override { writes.push_back(underway); }

  private:
    ops::Operation operation_ = ops::Operation::Search;
};

}  // namespace quelvar::testing
