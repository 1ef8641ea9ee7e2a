#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <type_traits>

namespace quelvar::ui::qt {

// What the views over the windows share: widgets may only be touched on the
// GUI thread, so a call from any other thread is carried there and waits
// until it has run (a blocking queued call), and the presenter sees every
// call complete, in its own order, as if it ran on the GUI thread itself.
class GuiThreadCalls {
  public:
    explicit GuiThreadCalls(QObject& window) : window_(window) {}

    // After detach() calls from other threads no longer reach the window: it
    // is going away, and work still going ends quickly (every question is
    // answered "cancel", every chooser cancelled).
    void detach() { detached_ = true; }

  protected:
    // Runs f on the GUI thread and returns its result; `fallback` when the
    // window is detached.
    template <typename F, typename R = std::invoke_result_t<F&>>
    R onGui(F&& f, R fallback = R()) {
        if (QThread::currentThread() == window_.thread()) return f();
        if (detached_) return fallback;
        R result = fallback;
        QMetaObject::invokeMethod(
            &window_,
            [&] {
                if (!detached_) result = f();
            },
            Qt::BlockingQueuedConnection);
        return result;
    }
    // The same for f without a result.
    template <typename F>
    void onGuiVoid(F&& f) {
        onGui(
            [&] {
                f();
                return true;
            },
            false);
    }

  private:
    QObject& window_;
    std::atomic<bool> detached_{false};
};

}  // namespace quelvar::ui::qt
