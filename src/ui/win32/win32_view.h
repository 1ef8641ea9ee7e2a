#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/view.h"
#include "ui/win32/window_thread_calls.h"

namespace quelvar::ui::win32 {

class MainWindow;

// The View over the Win32 dialog. The core calls it from the worker thread
// that runs an operation, or from the window's thread for the cheap list
// notifications and the window initialisation. Controls belong to the thread
// that made them, so a call from any other thread is carried there with
// SendMessage (which waits until it has run): the core sees every call
// complete, in its own order, as if it ran on the window's thread.
class Win32View : public WindowThreadCalls, public app::View {
  public:
    explicit Win32View(MainWindow& window);

    int listCount(app::ControlId list) override;
    void listAdd(app::ControlId list, const std::string& line) override;
    void listDelete(app::ControlId list, int index) override;
    int listSelection(app::ControlId list) override;
    void setListSelection(app::ControlId list, int index) override;
    std::string listText(app::ControlId list, int index) override;

    void enable(app::ControlId control, bool enabled) override;
    void show(app::ControlId control, bool visible) override;

    platform::Ipv4Octets ipAddress() override;
    void setIpAddress(const platform::Ipv4Octets& octets) override;
    void clearIpAddress() override;

    void setProgressRange(int lower, int upper) override;
    void setProgress(int position) override;


    void setText(app::ControlId control, const std::string& text) override;
    void showLog(const std::string& text) override;
    void showDiagnostics(const std::vector<std::string>& lines) override;

    app::MessageAnswer messageBox(app::MessageKind kind,
                                       const std::string& text) override;
    std::optional<std::filesystem::path> saveFileDialog(
        const app::SaveDialogRequest& request) override;
    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& current) override;

  private:
    HWND item(app::ControlId id) const;

    void invoke(std::function<void()>& call) override;

    MainWindow& window_;
};

}  // namespace quelvar::ui::win32
