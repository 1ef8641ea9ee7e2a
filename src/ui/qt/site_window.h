#pragma once

#include <QDialog>
#include <functional>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/site_view.h"
#include "app/site_words.h"
#include "platform/language.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;

namespace quelvar::ui::qt {

class SiteTableModel;

// The Site window: the task, the sheet or folder, the options, the buttons,
// an audit's pane (while the audit is the task), the modules' table, a
// status line and the notes, built from the captions
// of app::SiteText in SiteWord order, which is also the tab order. It knows
// nothing of the runs: it reports what the user does through its signals,
// and SiteDialog routes those to the presenter.
//
// Keys: the '&' of each caption is its Alt access key (a label's key moves
// to its field); Enter presses the push button that has the focus and does
// nothing anywhere else, so a typed path never starts a run. Esc, the close
// box and Close all ask the close guard first.
class SiteWindow : public QDialog {
    Q_OBJECT

  public:
    explicit SiteWindow(platform::Language language, QWidget* parent = nullptr);
    ~SiteWindow() override;

    platform::Language language() const { return language_; }

    app::SiteForm form() const;
    // Sets the fields without reporting a task change: only the user's
    // choice of task is one.
    void setForm(const app::SiteForm& form);
    void setStatus(const QString& text);
    void showNotes(const QString& text);
    // An audit's record columns (none for the other tasks), each as narrow as
    // its title and signs allow.
    void showRecordColumns(const std::vector<std::string>& titles);
    void showAudit(const QString& text);
    // The widgets of a control as the presenter names it (a field with its
    // label and Browse button).
    std::vector<QWidget*> widgetsOf(app::SiteControl control) const;
    void enable(app::SiteControl control, bool enabled);

    // Asked before the window closes by Esc, the close box or Close; false
    // keeps it open.
    void setCloseGuard(std::function<bool()> mayClose) { mayClose_ = std::move(mayClose); }
    // Closes without asking: the guard has already said yes for later.
    void closeWithoutAsking();

    // The widgets, for the view and the tests.
    QPushButton* button(app::SiteWord word) const;  // Browse..Close
    QRadioButton* taskButton(app::SiteTask task) const;
    QLabel* sourceLabel() const { return sourceLabel_; }
    QLineEdit* sourceEdit() const { return source_; }
    QLineEdit* rangeEdit() const { return range_; }
    QCheckBox* verifyBox() const { return verify_; }
    QSpinBox* jobsBox() const { return jobs_; }
    QLineEdit* reportEdit() const { return report_; }
    QLineEdit* resumeEdit() const { return resume_; }
    QTableView* table() const { return table_; }
    SiteTableModel* model() const { return model_; }
    QLabel* statusLabel() const { return status_; }
    QPlainTextEdit* notes() const { return notes_; }
    QPlainTextEdit* auditPane() const { return audit_; }
    // Every widget that takes the focus with Tab, in tab order; of the task
    // choices, as of a group of radio buttons, only the chosen one; the
    // audit's pane only while it is shown.
    std::vector<QWidget*> tabStops() const;

  signals:
    // A push button other than Close: Browse, BrowseReport, BrowseResume,
    // Check, Start, Stop, OpenPage or OpenSheet.
    void clicked(app::SiteWord button);
    // The user chose another task.
    void taskChanged();
    // The source field was left, by Tab, a click elsewhere or Enter.
    void sourceEdited();
    // The table's selected line changed, by the user or because the table
    // was replaced (nothing selected then).
    void lineSelected(std::optional<std::size_t> line);

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString caption(app::SiteWord word) const;
    QWidget* buildTaskGroup();
    QLayout* buildSourceRow();
    QWidget* buildOptionsGroup();
    QLayout* buildButtonRow();
    void buildAuditPane();
    void buildTableAndNotes();
    QPushButton* makeButton(app::SiteWord word);
    app::SiteTask checkedTask() const;
    // The field labels, hints and the audit's pane of the chosen task.
    void showTask();
    void nameFieldsAfterLabels();
    void setTabOrder();
    std::vector<QWidget*> focusChain() const;
    void reportSelection();
    bool mayClose();

    platform::Language language_;
    std::map<app::SiteWord, QPushButton*> buttons_;
    QButtonGroup* tasks_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    QLineEdit* source_ = nullptr;
    QLabel* rangeLabel_ = nullptr;
    QLineEdit* range_ = nullptr;
    QCheckBox* verify_ = nullptr;
    QLabel* jobsLabel_ = nullptr;
    QSpinBox* jobs_ = nullptr;
    QLabel* reportLabel_ = nullptr;
    QLineEdit* report_ = nullptr;
    QLabel* resumeLabel_ = nullptr;
    QLineEdit* resume_ = nullptr;
    QPlainTextEdit* audit_ = nullptr;
    QTableView* table_ = nullptr;
    SiteTableModel* model_ = nullptr;
    QLabel* status_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    std::function<bool()> mayClose_;
    bool settingForm_ = false;
};

}  // namespace quelvar::ui::qt
