#include "ui/qt/qt_site_view.h"

#include "ui/qt/site_table_model.h"

namespace quelvar::ui::qt {

using OptionalPath = std::optional<std::filesystem::path>;

QtSiteView::QtSiteView(SiteWindow& window, QString caption, Dialogs& dialogs)
    : GuiThreadCalls(window), window_(window), caption_(std::move(caption)), dialogs_(dialogs) {}

app::SiteForm QtSiteView::form() {
    return onGui([&] { return window_.form(); });
}

void QtSiteView::setForm(const app::SiteForm& form) {
    onGuiVoid([&] { window_.setForm(form); });
}

void QtSiteView::showLines(const std::vector<app::SiteLine>& lines) {
    onGuiVoid([&] { window_.model()->setLines(lines); });
}

void QtSiteView::updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed) {
    onGuiVoid([&] { window_.model()->updateLines(changed); });
}

void QtSiteView::setStatus(const std::string& text) {
    onGuiVoid([&] { window_.setStatus(QString::fromStdString(text)); });
}

void QtSiteView::showNotes(const std::string& text) {
    // Converted here, so the GUI thread waits only for the widget itself.
    const QString shown = QString::fromStdString(text);
    onGuiVoid([&] { window_.showNotes(shown); });
}

void QtSiteView::showRecordColumns(const std::vector<std::string>& titles) {
    onGuiVoid([&] { window_.showRecordColumns(titles); });
}

void QtSiteView::showAudit(const std::string& text) {
    // Called from the GUI thread itself when a line is selected: onGui then
    // runs it at once rather than queueing it and waiting for itself.
    const QString shown = QString::fromStdString(text);
    onGuiVoid([&] { window_.showAudit(shown); });
}

void QtSiteView::enable(app::SiteControl control, bool enabled) {
    onGuiVoid([&] { window_.enable(control, enabled); });
}

app::MessageAnswer QtSiteView::messageBox(app::MessageKind kind, const std::string& text) {
    return onGui([&] { return dialogs_.message(&window_, caption_, kind, text); },
                 app::MessageAnswer::Cancel);
}

OptionalPath QtSiteView::openFileDialog(const std::string& title,
                                        const std::vector<app::FileFilter>& filters,
                                        const std::filesystem::path& initialFolder) {
    return onGui([&] { return dialogs_.openFile(&window_, title, filters, initialFolder); },
                 OptionalPath());
}

OptionalPath QtSiteView::saveFileDialog(const app::SaveDialogRequest& request) {
    return onGui([&] { return dialogs_.saveFile(&window_, request); }, OptionalPath());
}

OptionalPath QtSiteView::chooseFolder(const std::string& title,
                                      const std::filesystem::path& current) {
    return onGui([&] { return dialogs_.folder(&window_, title, current); }, OptionalPath());
}

}  // namespace quelvar::ui::qt
