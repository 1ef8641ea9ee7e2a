#pragma once

#include <QString>

#include "app/site_view.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/gui_thread_calls.h"
#include "ui/qt/site_window.h"

namespace quelvar::ui::qt {

// The SiteView over the Site window. The presenter calls it from the worker
// thread that runs a check or a run, or from the GUI thread; widgets may only
// be touched on the GUI thread, so a call from another thread is carried
// there and waits until it has run (a blocking queued call), and the
// presenter sees its calls complete in its own order.
class QtSiteView : public GuiThreadCalls, public app::SiteView {
  public:
    QtSiteView(SiteWindow& window, QString caption, Dialogs& dialogs);

    app::SiteForm form() override;
    void setForm(const app::SiteForm& form) override;
    void showLines(const std::vector<app::SiteLine>& lines) override;
    void updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed) override;
    void setStatus(const std::string& text) override;
    void showNotes(const std::string& text) override;
    void showRecordColumns(const std::vector<std::string>& titles) override;
    void showAudit(const std::string& text) override;
    void enable(app::SiteControl control, bool enabled) override;

    app::MessageAnswer messageBox(app::MessageKind kind, const std::string& text) override;
    std::optional<std::filesystem::path> openFileDialog(
        const std::string& title, const std::vector<app::FileFilter>& filters,
        const std::filesystem::path& initialFolder) override;
    std::optional<std::filesystem::path> saveFileDialog(
        const app::SaveDialogRequest& request) override;
    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& current) override;

  private:

    SiteWindow& window_;
    QString caption_;
    Dialogs& dialogs_;
};

}  // namespace quelvar::ui::qt
