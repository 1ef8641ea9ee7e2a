#pragma once

#include <QCursor>
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/init_dlg.h"
#include "app/control_id.h"
#include "platform/language.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QAbstractButton;

namespace quelvar::ui::qt {

class IpAddressEdit;
class LogWindow;

// The font the window is laid out in, standing in for the template's font
// where that is missing, and the two numbers dialog units are measured in.
struct DialogMetrics {
    QFont font;
    int averageCharWidth = 0;  // of "A".."Z" "a".."z", rounded
    int charHeight = 0;
};
DialogMetrics MetricsFor(platform::Language language);

// The tool's one main window: the controls of the dialog template in template
// (and tab) order, placed by converting the template's dialog units with the
// window font's metrics. It knows nothing of the operations: it reports what
// the user does through its signals, and MainDialog routes those to the core.
//
// Keys: Esc and the close box end the window when no operation runs; Enter
// clicks the push button that has the focus and does nothing anywhere else
// (there is no default button).
//
// Ctrl+Shift+L opens the activity log in a window of its own. The log control
// of the main window stays hidden as the tool has always had it; the separate
// window mirrors every change of the log as it happens, for diagnosis.
class MainWindow : public QDialog {
    Q_OBJECT

  public:
    MainWindow(platform::Language language, const QString& caption, QWidget* parent = nullptr);
    ~MainWindow() override;

    platform::Language language() const { return language_; }
    const DialogMetrics& metrics() const { return metrics_; }

    // The control with an identifier; nullptr for an identifier the window lacks.
    QWidget* control(app::ControlId id) const;
    QListWidget* list(app::ControlId id) const;
    QAbstractButton* button(app::ControlId id) const;
    IpAddressEdit* ipAddressEdit() const { return ipAddress_; }
    QProgressBar* progressBar() const { return progress_; }
    QPlainTextEdit* activityLog() const { return log_; }
    // The labels without identifier, in template order ("&Device:" first).
    const std::vector<QLabel*>& plainLabels() const { return plainLabels_; }

    // Texts of the labels and of the log exactly as the core set them; the
    // widgets show them adapted for display (line ends, wrap points).
    std::string controlText(app::ControlId id) const;
    void setControlText(app::ControlId id, const std::string& text);
    void scrollLogToEnd();

    // While busy the window takes no input (mouse, keys, mnemonics, closing)
    // and shows the busy cursor (over itself, not over the log window); it
    // keeps painting. The controls keep the
    // enabled states the core gave them.
    void setBusy(bool busy);
    bool isBusy() const { return busy_; }

    // While the core changes the controls, the lists' own signals are not
    // passed on: only the user's actions are notifications.
    void beginCoreUpdate() { ++coreUpdates_; }
    void endCoreUpdate() { --coreUpdates_; }

    LogWindow* logWindow() const { return logWindow_.get(); }
    void showLogWindow();

  signals:
    void clicked(app::ControlId id);
    void listNotified(app::ControlId id, app::Notification notification);

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void nameAfterLabel(QWidget* buddy, const QLabel& label);
    void notifyList(app::ControlId id, app::Notification notification);

    platform::Language language_;
    DialogMetrics metrics_;
    std::map<app::ControlId, QWidget*> controls_;
    std::map<app::ControlId, std::string> texts_;
    std::vector<QLabel*> plainLabels_;
    IpAddressEdit* ipAddress_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    std::unique_ptr<LogWindow> logWindow_;
    bool busy_ = false;
    std::vector<std::pair<QPointer<QWidget>, QCursor>> ownCursors_;  // restored when idle
    int coreUpdates_ = 0;
};

// Guards a change the core makes to the window (see beginCoreUpdate).
class CoreUpdate {
  public:
    explicit CoreUpdate(MainWindow& window) : window_(window) { window_.beginCoreUpdate(); }
    ~CoreUpdate() { window_.endCoreUpdate(); }
    CoreUpdate(const CoreUpdate&) = delete;
    CoreUpdate& operator=(const CoreUpdate&) = delete;

  private:
    MainWindow& window_;
};

// The text shown for a log text: line ends as the widget understands them.
QString DisplayedLogText(const std::string& text);

}  // namespace quelvar::ui::qt
