#pragma once

#include <string>
#include <vector>

#include "ops/events.h"

namespace quelvar::testing {

// Events that keep everything an operation reported, in order, for the
// operation tests' assertions: the log as the window would hold it (emptied
// where the operation empties it), every progress position, every alert,
// note and step, and where "done." came.
class RecordingEvents : public ops::Events {
  public:
    std::string trace;                   // the log since the last clearLog
    std::vector<int> positions;
    std::vector<ops::Outcome> alerts;
    std::vector<std::string> notes;
    std::vector<std::string> steps;
    std::vector<int> doneAt;             // the progress position of each "done."
    std::vector<std::string> sequence;   // "log TEXT", "progress N", "alert K", ... in order
    int clears = 0;
    int ipSetups = 0;
    std::vector<bool> writes;  // writing(true) / writing(false), in order

    void clearLog() override {
        trace.clear();
        ++clears;
        sequence.push_back("clearLog");
    }
    void log(std::string_view text) override {
        trace.append(text);
        sequence.push_back("log " + std::string(text));
    }
    void progress(int position) override {
        positions.push_back(position);
        sequence.push_back("progress " + std::to_string(position));
    }
    void alert(const ops::Outcome& outcome) override {
        alerts.push_back(outcome);
        sequence.push_back("alert " + ops::DescribeOutcome(outcome));
    }
    void note(std::string_view line) override {
        notes.emplace_back(line);
        sequence.push_back("note " + std::string(line));
    }
    void step(std::string_view what) override { steps.emplace_back(what); }
    void ipSetupSent() override {
        ++ipSetups;
        sequence.push_back("ipSetupSent");
    }
    void done(int position) override {
        doneAt.push_back(position);
        sequence.push_back("done " + std::to_string(position));
    }
    void writing(bool underway) override { writes.push_back(underway); }
};

}  // namespace quelvar::testing
