#pragma once

namespace quelvar::ui::console {

// Ctrl+C while a long command runs. The first press asks the command to stop
// once the steps under way have ended, so no module is left half written and
// no file half saved. A second press ends the program at once, unless a
// module is being written at that moment: then the command is to say which
// modules would be left half written (it sees secondPressHeld()), and only a
// third press ends the program. Installed for the life of the object; the
// default handling comes back after it.
class InterruptHandler {
  public:
    InterruptHandler();
    ~InterruptHandler();
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

    static bool requested();
    // A second press came while a module was being written, and was held.
    static bool secondPressHeld();

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
