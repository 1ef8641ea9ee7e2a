#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <type_traits>

#include "platform/view.h"
#include "ui/qt/main_window.h"

namespace quelvar::ui::qt {

// The View over the Qt window. The core calls it from the worker thread that
// runs an operation, or from the GUI thread for the cheap notifications and
// the window initialisation. Widgets may only be touched on the GUI thread, so
// a call from any other thread is carried there and waits until it has run
// (a blocking queued call): the core sees every call complete, in its own
// order, exactly as if it ran on the GUI thread itself.
class QtView : public platform::View {
  public:
    QtView(MainWindow& window, QString applicationName);

    // After detach() calls from other threads no longer reach the window: the
    // window is going away, and an operation still running finishes quickly
    // (every confirmation and dialog answers "cancel").
    void detach() { detached_ = true; }

    int listCount(platform::ControlId list) override;
    void listAdd(platform::ControlId list, const std::string& line) override;
    void listDelete(platform::ControlId list, int index) override;
    int listSelection(platform::ControlId list) override;
    void setListSelection(platform::ControlId list, int index) override;
    std::string listText(platform::ControlId list, int index) override;

    void enable(platform::ControlId control, bool enabled) override;
    void show(platform::ControlId control, bool visible) override;

    platform::Ipv4Octets ipAddress() override;
    void setIpAddress(const platform::Ipv4Octets& octets) override;
    void clearIpAddress() override;

    void setProgressRange(int lower, int upper) override;
    void setProgress(int position) override;

    std::string text(platform::ControlId control) override;
    void setText(platform::ControlId control, const std::string& text) override;
    void scrollLogToEnd() override;

    platform::MessageAnswer messageBox(platform::MessageKind kind,
                                       const std::string& text) override;
    std::optional<std::filesystem::path> saveFileDialog(
        const platform::SaveDialogRequest& request) override;
    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& current) override;

  private:
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

    MainWindow& window_;
    QString applicationName_;
    std::atomic<bool> detached_{false};
};

}  // namespace quelvar::ui::qt
