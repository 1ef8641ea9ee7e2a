#pragma once

#include "app/init_dlg.h"

namespace quelvar::app {

// What an operation reports, as the window shows it: the trace into the
// activity log, the progress bar, a box for every failure the user must be
// told of, the diagnostics into the live log window.
class CInitDlg::WindowEvents : public ops::Events {
  public:
    explicit WindowEvents(CInitDlg& dlg) : dlg_(dlg) {}

    void clearLog() override { dlg_.clearLog(); }
    void log(std::string_view text) override { dlg_.AppendLog(text); }
    void progress(int position) override { dlg_.view_.setProgress(position); }
    void alert(const ops::Outcome& outcome) override {
        if (std::optional<ops::Message> message = ops::MessageFor(outcome, dlg_.language_)) {
            dlg_.view_.messageBox(message->kind, message->text);
        }
    }
    void note(std::string_view line) override {
        dlg_.view_.showDiagnostics({std::string(line)});
    }
    void ipSetupSent() override { dlg_.view_.clearIpAddress(); }
    // The device list is emptied so that a new search comes before the next
    // operation on a module.
    void done(int progressWhileShown) override {
        dlg_.emptyList(ControlId::DeviceList);
        dlg_.UpdateControls();
        dlg_.view_.setProgress(progressWhileShown);
        dlg_.showString(MessageKind::ResultText, ops::StringId::Done);
    }

  private:
    CInitDlg& dlg_;
};

}  // namespace quelvar::app
