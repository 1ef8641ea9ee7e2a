#include "ui/win32/win32_site_view.h"

#include "ui/win32/dialogs.h"
#include "ui/win32/site_window.h"

namespace quelvar::ui::win32 {

Win32SiteView::Win32SiteView(SiteWindow& window) : window_(window) {}

void Win32SiteView::invoke(std::function<void()>& call) {
    if (::GetCurrentThreadId() == window_.threadId()) {
        call();
        return;
    }
    // SendMessage to a window that no longer exists returns at once without
    // running the call, so a run outliving the window cannot hang.
    HWND window = window_.handle();
    if (window != nullptr) {
        ::SendMessageW(window, kSiteInvokeMessage, 0, reinterpret_cast<LPARAM>(&call));
    }
}

app::SiteForm Win32SiteView::form() {
    return onWindowThread([&] { return window_.form(); });
}

void Win32SiteView::setForm(const app::SiteForm& form) {
    onWindowThreadVoid([&] { window_.setForm(form); });
}

void Win32SiteView::showLines(const std::vector<app::SiteLine>& lines) {
    onWindowThreadVoid([&] { window_.table().showLines(lines); });
}

void Win32SiteView::updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed) {
    onWindowThreadVoid([&] { window_.table().updateLines(changed); });
}

void Win32SiteView::setStatus(const std::string& text) {
    onWindowThreadVoid([&] { window_.setStatus(text); });
}

void Win32SiteView::showNotes(const std::string& text) {
    onWindowThreadVoid([&] { window_.showNotes(text); });
}

void Win32SiteView::showRecordColumns(const std::vector<std::string>& titles) {
    onWindowThreadVoid([&] { window_.table().showRecordColumns(titles); });
}

// Also called by the presenter from inside its handler of a selected line,
// on the window's thread already: invoke() runs it there at once.
void Win32SiteView::showAudit(const std::string& text) {
    onWindowThreadVoid([&] { window_.showAudit(text); });
}

void Win32SiteView::enable(app::SiteControl control, bool enabled) {
    onWindowThreadVoid([&] { window_.enable(control, enabled); });
}

app::MessageAnswer Win32SiteView::messageBox(app::MessageKind kind, const std::string& text) {
    return onWindowThread(
        [&] { return showMessageBox(window_.handle(), window_.applicationName(), kind, text); },
        app::MessageAnswer::Cancel);
}

std::optional<std::filesystem::path> Win32SiteView::openFileDialog(
    const std::string& title, const std::vector<app::FileFilter>& filters,
    const std::filesystem::path& initialFolder) {
    return onWindowThread(
        [&] { return showOpenDialog(window_.handle(), title, filters, initialFolder); },
        std::optional<std::filesystem::path>());
}

std::optional<std::filesystem::path> Win32SiteView::saveFileDialog(
    const app::SaveDialogRequest& request) {
    return onWindowThread([&] { return showSaveDialog(window_.handle(), request); },
                          std::optional<std::filesystem::path>());
}

std::optional<std::filesystem::path> Win32SiteView::chooseFolder(
    const std::string& title, const std::filesystem::path& current) {
    return onWindowThread([&] { return showFolderChooser(window_.handle(), title, current); },
                          std::optional<std::filesystem::path>());
}

}  // namespace quelvar::ui::win32
