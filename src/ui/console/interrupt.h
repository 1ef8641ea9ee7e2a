#pragma once

namespace quelvar::ui::console {

// Ctrl+C while a command runs that writes modules. Over many rows
// (StopBetweenRows), the first press asks the command to stop once the steps
// under way have ended, so no module is left half written and no file half
// saved. A second press ends the program at once, unless a module is being
// written at that moment: then the command is to say which modules would be
// left half written (it sees pressHeld()), and only a third press ends the
// program. For one module (HoldWhileWriting), a press ends the program at
// once unless the module is being written: that press is held, and a second
// one ends the program. Installed for the life of the object; the default
// handling comes back after it.
class InterruptHandler {
  public:
    enum class Mode { StopBetweenRows, HoldWhileWriting };
    explicit InterruptHandler(Mode mode = Mode::StopBetweenRows);
    ~InterruptHandler();
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

    static bool requested();
    // A press that would have ended the program came while a module was
    // being written, and was held.
    static bool pressHeld();

    // A module is being written for as long as a Writing lives.
    class Writing {
      public:
        Writing();
        ~Writing();
        Writing(const Writing&) = delete;
        Writing& operator=(const Writing&) = delete;
    };
};

}  // namespace quelvar::ui::console
