#pragma once

namespace quelvar::ui::console {

// Ctrl+C while a long command runs. The first press asks the command to stop
// once the steps under way have ended, so no module is left half written and
// no file half saved; a second press ends the program at once. Installed for
// the life of the object; the previous handling comes back after it.
class InterruptHandler {
  public:
    InterruptHandler();
    ~InterruptHandler();
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

    static bool requested();
};

}  // namespace quelvar::ui::console
