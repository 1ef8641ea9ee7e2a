#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ops/outcome.h"

namespace quelvar::ops {

// The progress bar's positions run from 0 to this.
inline constexpr int kProgressUpper = 13;

// The activity log holds at most this many characters; when an append would
// make it longer, the oldest are dropped from the front.
inline constexpr std::size_t kLogCap = 65536;
void AppendCapped(std::string& log, std::string_view text, std::size_t cap = kLogCap);

// What an operation tells whoever runs it, as it happens, in the order the
// user is to see it. The window's presenter turns it into its activity log,
// progress bar and boxes; the console into lines on stderr and a progress
// bar; a commissioning row into the row's own log. An operation never knows
// which of them listens.
class Events {
  public:
    virtual ~Events() = default;

    // The activity log starts afresh: what follows is this operation's trace.
    virtual void clearLog() = 0;
    // Trace text, exactly as it goes into the activity log (line ends are
    // part of the text; some texts share a line).
    virtual void log(std::string_view text) = 0;
    // A position of the progress bar, 0 to 13.
    virtual void progress(int position) = 0;
    // A failure the user must be told of now, before the operation goes on
    // (the window shows a box; MessageFor gives its text). A log line that
    // belongs to it follows through log().
    virtual void alert(const Outcome& outcome) = 0;
    // What the tool found out beyond its trace, one line without a line end
    // ("the module came back at 127.0.0.9"): the window's live log shows it,
    // the console prints it.
    virtual void note(std::string_view line) = 0;
    // A composite operation begins one of its steps ("set-ip", "load", ...).
    virtual void step(std::string_view what) { static_cast<void>(what); }
    // The IP-SETUP command is out: the address typed for it is used up.
    virtual void ipSetupSent() {}
    // Records are being written into a module (true) until its reset is out
    // or the writing failed (false): a program ended in between leaves the
    // module half written.
    virtual void writing(bool underway) { static_cast<void>(underway); }
    // The work of an operation that changed a module is done: the window
    // empties its device list and shows "done." at this progress position.
    // The operation then writes its closing log line.
    virtual void done(int progressWhileShown) { static_cast<void>(progressWhileShown); }
};

// Events nobody listens to: for steps whose trace is not wanted.
class NoEvents : public Events {
  public:
    void clearLog() override {}
    void log(std::string_view) override {}
    void progress(int) override {}
    void alert(const Outcome&) override {}
    void note(std::string_view) override {}
};

// How a socket failure reaches the user: the system's text for the code,
// then "error:CODE" on a line of the log.
void ReportSocketError(Events& events, int code);

}  // namespace quelvar::ops
