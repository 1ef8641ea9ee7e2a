#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/site_view.h"
#include "ui/win32/window_thread_calls.h"

namespace quelvar::ui::win32 {

class SiteWindow;

// The SiteView over the Win32 Site window. The presenter calls it from the
// worker thread that runs a check or a run, or from the window's own thread;
// a call from the worker is carried to the window's thread with SendMessage,
// which returns once it has run there, so the presenter sees every call
// complete in its own order. While the window's thread shows a box (the
// question of Stop) it still takes these calls, so the table keeps moving.
class Win32SiteView : public WindowThreadCalls, public app::SiteView {
  public:
    explicit Win32SiteView(SiteWindow& window);

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
    void invoke(std::function<void()>& call) override;

    SiteWindow& window_;
};

}  // namespace quelvar::ui::win32
