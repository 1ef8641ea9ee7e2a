#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ops/facts.h"
#include "ops/outcome.h"

namespace quelvar::ops {

// The progress bar's positions run from 0 to this.
inline constexpr int kProgressUpper = 13;

// The activity log holds at most this many characters; when an append would
// make it longer, the oldest are dropped from the front.
inline constexpr std::size_t kLogCap = 65536;
void AppendCapped(std::string& log, std::string_view text, std::size_t cap = kLogCap);

// The operations that report through Events, as a user starts them.
enum class Operation { Search, SetIpAddress, ReadRecords, ApplyRecords };

// Where an operation has got to: what happens, not where a bar stands.
enum class Stage {
    Begun,           // its trace has begun (after the check that the module answers)
    SocketOpened,    // set IP: the socket for the command is ready
    CommandBuilt,    // set IP: the command is built
    CommandSent,     // set IP: the command went out; the address typed for it is used up
    AwaitingModule,  // set IP: status queries at the new address begin
    ModuleAwaited,   // set IP: they have ended, answered or not
    MonitorEntered,  // apply: the module is in monitor mode
    Record,          // read: record `number` is asked for (1 and 9 are passed over);
                     // apply: pass `number` of the record loop begins
    Saving,          // read: the records are in; the file is to be written
    Saved,           // read: the file is written
    ResetSent,       // apply: the reset went out
    Closed,          // apply: the file and the connection are closed
    Ended,           // it has ended: failed, or after its "done."
};

// The window's progress bar (positions 0 to kProgressUpper) at a stage of an
// operation, and while its "done." is shown. The window's presenter moves its
// bar by these; the console's bar and the board of a site run show the same.
int ProgressPosition(Operation operation, Stage stage, int number);
int ProgressWhileDone(Operation operation);

// What an operation tells whoever runs it, as it happens, in the order the
// user is to see it: what it begins, the stages it reaches, its trace, what
// it found out and what failed. The window's presenter turns it into its
// activity log, progress bar and boxes; the console into lines on stderr and
// a progress bar; a site's row into the row's own log. An operation never
// knows which of them listens.
class Events {
  public:
    virtual ~Events() = default;

    // An operation begins its trace (the window starts its activity log
    // afresh for it; the console's log keeps the whole run).
    virtual void begun(Operation operation) = 0;
    // Trace text, exactly as it goes into the activity log (line ends are
    // part of the text; some texts share a line).
    virtual void log(std::string_view text) = 0;
    // The operation has reached a stage (see Stage for `number`).
    virtual void stage(Stage stage, int number = 0) = 0;
    // A failure the user must be told of now, before the operation goes on
    // (the window shows a box; MessageFor gives its text). A log line that
    // belongs to it follows through log().
    virtual void alert(const Outcome& outcome) = 0;
    // What the tool found out beyond its trace ("the module came back at
    // 127.0.0.9"): the window's live log shows it, the console prints it,
    // each on a line of its own and in its own language.
    virtual void note(const Reason& note) = 0;
    void note(const Fact& fact) { note(Reason{fact}); }
    // A composite operation begins one of its steps ("set-ip", "load", ...).
    virtual void step(std::string_view what) { static_cast<void>(what); }
    // Records are being written into a module (true) until its reset is out
    // or the writing failed (false): a program ended in between leaves the
    // module half written.
    virtual void writing(bool underway) { static_cast<void>(underway); }
    // The work of an operation that changed a module is done (the window
    // empties its device list and says "done."); its closing log line follows.
    virtual void finished() {}
};

// Events nobody listens to: for steps whose trace is not wanted.
class NoEvents : public Events {
  public:
    void begun(Operation) override {}
    void log(std::string_view) override {}
    void stage(Stage, int) override {}
    void alert(const Outcome&) override {}
    void note(const Reason&) override {}
};

// How a socket failure reaches the user: the system's text for the code,
// then "error:CODE" on a line of the log.
void ReportSocketError(Events& events, int code);

}  // namespace quelvar::ops
