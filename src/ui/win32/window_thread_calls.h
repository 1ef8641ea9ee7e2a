#pragma once

#include <functional>
#include <type_traits>

namespace quelvar::ui::win32 {

// What the views over the windows share: controls belong to the thread that
// made them, so a call from any other thread is carried there (invoke(),
// with SendMessage, which waits until it has run) and the presenter sees
// every call complete, in its own order, as if it ran on the window's thread.
class WindowThreadCalls {
  public:
    virtual ~WindowThreadCalls() = default;

  protected:
    // Runs f on the window's thread and returns its result; `fallback` when
    // the window is gone (work then ends without it: every question answers
    // cancel).
    template <typename F, typename R = std::invoke_result_t<F&>>
    R onWindowThread(F&& f, R fallback = R()) {
        R result = fallback;
        std::function<void()> call = [&] { result = f(); };
        invoke(call);
        return result;
    }
    template <typename F>
    void onWindowThreadVoid(F&& f) {
        std::function<void()> call = [&] { f(); };
        invoke(call);
    }
    // Runs the call on the window's thread: at once when on it already.
    virtual void invoke(std::function<void()>& call) = 0;
};

}  // namespace quelvar::ui::win32
