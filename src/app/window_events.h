#pragma once

#include "app/init_dlg.h"

namespace quelvar::app {

// What an operation reports, as the window shows it: the trace into the
// activity log (started afresh for each operation), its stages on the
// progress bar, a box for every failure the user must be told of, the
// diagnostics into the live log window.
class CInitDlg::WindowEvents : public ops::Events {
  public:
    explicit WindowEvents(CInitDlg& dlg) : dlg_(dlg) {}

    void begun(ops::Operation operation) override {
        operation_ = operation;
        dlg_.clearLog();
    }
    void log(std::string_view text) override { dlg_.AppendLog(text); }
    void stage(ops::Stage stage, int number) override {
        dlg_.view_.setProgress(ops::ProgressPosition(operation_, stage, number));
        // The address typed for the command is used up.
        if (stage == ops::Stage::CommandSent) dlg_.view_.clearIpAddress();
    }
    void alert(const ops::Outcome& outcome) override {
        if (std::optional<ops::Message> message = ops::MessageFor(outcome, dlg_.language_)) {
            dlg_.view_.messageBox(message->kind, message->text);
        }
    }
    void note(const ops::Reason& note) override {
        dlg_.view_.showDiagnostics({ops::WordsOf(note, dlg_.language_)});
    }
    // The device list is emptied so that a new search comes before the next
    // operation on a module.
    void finished() override {
        dlg_.emptyList(ControlId::DeviceList);
        dlg_.UpdateControls();
        dlg_.view_.setProgress(ops::ProgressWhileDone(operation_));
        dlg_.showString(MessageKind::ResultText, ops::StringId::Done);
    }

  private:
    CInitDlg& dlg_;
    ops::Operation operation_ = ops::Operation::Search;
};

}  // namespace quelvar::app
