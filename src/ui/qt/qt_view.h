#pragma once

#include <QString>

#include "app/view.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/gui_thread_calls.h"
#include "ui/qt/main_window.h"

namespace quelvar::ui::qt {

// The View over the Qt window. The core calls it from the worker thread that
// runs an operation, or from the GUI thread for the cheap notifications and
// the window initialisation. Widgets may only be touched on the GUI thread, so
// a call from any other thread is carried there and waits until it has run
// (a blocking queued call): the core sees every call complete, in its own
// order, exactly as if it ran on the GUI thread itself.
class QtView : public GuiThreadCalls, public app::View {
  public:
    QtView(MainWindow& window, QString applicationName, Dialogs& dialogs);

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

    MainWindow& window_;
    QString applicationName_;
    Dialogs& dialogs_;
};

}  // namespace quelvar::ui::qt
