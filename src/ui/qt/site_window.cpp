#include "ui/qt/site_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/qt/accessibility.h"
#include "ui/qt/enter_key.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/site_table_model.h"

namespace quelvar::ui::qt {

using app::SiteControl;
using app::SiteTask;
using app::SiteWord;
using platform::Language;

namespace {

constexpr int kMostJobs = 1024;
constexpr int kNotesLines = 4;
// The legend, a pattern or two and the selected module's differences show
// without scrolling; the table keeps the rest of the window.
constexpr int kAuditLines = 6;

// A read-only text that is still reached with Tab, read with the arrow keys
// and left with Tab again, some lines high.
void makeReadOnlyText(QPlainTextEdit* text, int lines) {
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setTabChangesFocus(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    const QFontMetrics metrics(text->font());
    text->setFixedHeight(metrics.lineSpacing() * lines +
                         2 * (text->frameWidth() + static_cast<int>(text->document()->documentMargin())));
}

// The desktop's own font, in a Japanese face for Japanese so that no
// Chinese glyph variant stands in for a kanji (the main window's choice).
QFont windowFont(Language language) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (language == Language::Japanese) font.setFamily(MetricsFor(language).font.family());
    return font;
}

}  // namespace

SiteWindow::SiteWindow(Language language, QWidget* parent)
    : QDialog(parent), language_(language) {
    // A main window of its own with every window box: the table grows with it.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(caption(SiteWord::Title));
    setWindowIcon(ApplicationIcon());
    setFont(windowFont(language));
    setSizeGripEnabled(true);
    InstallAccessibleInterfaces();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildTaskGroup());
    layout->addLayout(buildSourceRow());
    layout->addWidget(buildOptionsGroup());
    layout->addLayout(buildButtonRow());
    buildAuditPane();
    layout->addWidget(audit_);
    buildTableAndNotes();
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    layout->addWidget(notes_);

    setTabOrder();
    showTask();
    const QFontMetrics metrics(font());
    resize(std::max(sizeHint().width(), metrics.averageCharWidth() * 130),
           std::max(sizeHint().height(), metrics.height() * 40));
    taskButton(SiteTask::Commission)->setFocus(Qt::OtherFocusReason);
}

SiteWindow::~SiteWindow() = default;

QString SiteWindow::caption(SiteWord word) const {
    return QString::fromUtf8(app::SiteText(word, language_));
}

QPushButton* SiteWindow::makeButton(SiteWord word) {
    auto* button = new QPushButton(caption(word), this);
    // Qt would read "開始(&S)" as "開始(S)".
    button->setAccessibleName(SpokenCaption(caption(word)));
    // Enter is the window's own: see keyPressEvent.
    button->setAutoDefault(false);
    button->setDefault(false);
    buttons_[word] = button;
    if (word == SiteWord::Close) {
        connect(button, &QPushButton::clicked, this, &QWidget::close);
    } else {
        connect(button, &QPushButton::clicked, this, [this, word] { emit clicked(word); });
    }
    return button;
}

QWidget* SiteWindow::buildTaskGroup() {
    auto* group = new QGroupBox(caption(SiteWord::TaskGroup), this);
    auto* row = new QHBoxLayout(group);
    tasks_ = new QButtonGroup(this);
    const std::pair<SiteTask, SiteWord> choices[] = {
        {SiteTask::Commission, SiteWord::TaskCommission},
        {SiteTask::Backup, SiteWord::TaskBackup},
        {SiteTask::Restore, SiteWord::TaskRestore},
        {SiteTask::Audit, SiteWord::TaskAudit},
    };
    for (const auto& [task, word] : choices) {
        auto* radio = new QRadioButton(caption(word), group);
        radio->setAccessibleName(SpokenCaption(caption(word)));
        tasks_->addButton(radio, static_cast<int>(task));
        row->addWidget(radio);
    }
    row->addStretch(1);
    taskButton(SiteTask::Commission)->setChecked(true);
    connect(tasks_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (!checked) return;
        showTask();
        if (!settingForm_) emit taskChanged();
    });
    return group;
}

QLayout* SiteWindow::buildSourceRow() {
    auto* row = new QHBoxLayout;
    sourceLabel_ = new QLabel(this);
    source_ = new QLineEdit(this);
    sourceLabel_->setBuddy(source_);
    connect(source_, &QLineEdit::editingFinished, this, [this] { emit sourceEdited(); });
    row->addWidget(sourceLabel_);
    row->addWidget(source_, 1);
    row->addWidget(makeButton(SiteWord::Browse));
    return row;
}

QWidget* SiteWindow::buildOptionsGroup() {
    auto* group = new QGroupBox(caption(SiteWord::OptionsGroup), this);
    auto* grid = new QGridLayout(group);
    auto labelFor = [&](SiteWord word, QWidget* field) {
        auto* label = new QLabel(caption(word), group);
        label->setBuddy(field);
        return label;
    };

    range_ = new QLineEdit(group);
    range_->setPlaceholderText(caption(SiteWord::RangeHint));
    range_->setToolTip(caption(SiteWord::RangeHint));
    rangeLabel_ = labelFor(SiteWord::RangeLabel, range_);
    grid->addWidget(rangeLabel_, 0, 0);
    grid->addWidget(range_, 0, 1, 1, 4);

    verify_ = new QCheckBox(caption(SiteWord::Verify), group);
    verify_->setAccessibleName(SpokenCaption(caption(SiteWord::Verify)));
    jobs_ = new QSpinBox(group);
    jobs_->setRange(0, kMostJobs);
    jobs_->setSpecialValueText(caption(SiteWord::JobsAll));
    jobsLabel_ = labelFor(SiteWord::JobsLabel, jobs_);
    grid->addWidget(verify_, 1, 0, 1, 2);
    auto* jobsRow = new QHBoxLayout;
    jobsRow->addStretch(1);
    jobsRow->addWidget(jobsLabel_);
    jobsRow->addWidget(jobs_);
    grid->addLayout(jobsRow, 1, 2, 1, 3);

    report_ = new QLineEdit(group);
    reportLabel_ = labelFor(SiteWord::ReportLabel, report_);
    grid->addWidget(reportLabel_, 2, 0);
    grid->addWidget(report_, 2, 1, 1, 3);
    grid->addWidget(makeButton(SiteWord::BrowseReport), 2, 4);

    resume_ = new QLineEdit(group);
    resumeLabel_ = labelFor(SiteWord::ResumeLabel, resume_);
    grid->addWidget(resumeLabel_, 3, 0);
    grid->addWidget(resume_, 3, 1, 1, 3);
    grid->addWidget(makeButton(SiteWord::BrowseResume), 3, 4);
    grid->setColumnStretch(1, 1);
    return group;
}

QLayout* SiteWindow::buildButtonRow() {
    auto* row = new QHBoxLayout;
    for (SiteWord word : {SiteWord::Check, SiteWord::Start, SiteWord::Stop}) {
        row->addWidget(makeButton(word));
    }
    row->addStretch(1);
    for (SiteWord word : {SiteWord::OpenPage, SiteWord::OpenSheet}) row->addWidget(makeButton(word));
    row->addStretch(1);
    row->addWidget(makeButton(SiteWord::Close));
    return row;
}

void SiteWindow::buildAuditPane() {
    audit_ = new QPlainTextEdit(this);
    makeReadOnlyText(audit_, kAuditLines);
    // It has no label of its own: the name is for screen readers.
    audit_->setAccessibleName(caption(SiteWord::AuditPane));
}

void SiteWindow::buildTableAndNotes() {
    model_ = new SiteTableModel(language_, this);
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setItemDelegateForColumn(SiteTableModel::Progress, new ProgressBarDelegate(table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setTabKeyNavigation(false);  // Tab leaves the table for the next control
    table_->setAccessibleName(caption(SiteWord::TableName));
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SiteWindow::reportSelection);
    // A new table or new columns drop the selection without a word from the
    // selection model. The presenter replaces the table from within its own
    // calls, so it hears of this once that call has returned, not inside it.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        QMetaObject::invokeMethod(this, &SiteWindow::reportSelection, Qt::QueuedConnection);
    });
    // Fixed sizes: measuring a thousand rows' contents on every change would
    // cost more than the change itself.
    const QFontMetrics metrics(table_->font());
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(metrics.height() + 8);
    QHeaderView* header = table_->horizontalHeader();
    header->setStretchLastSection(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    // What the columns typically hold; the longest step is the records'.
    const bool japanese = language_ == Language::Japanese;
    const char* samples[] = {"00-00-00-00-00-00",
                             "255.255.255.255",
                             "255.255.255.255",
                             "module-0000.rec",
                             japanese ? "setuprecord書き込み" : "set IP address",
                             "100 %  100 %",
                             japanese ? "未実行" : "not started"};
    for (int column = 0; column < SiteTableModel::FirstRecord; ++column) {
        const QString title = model_->headerData(column, Qt::Horizontal).toString();
        const int width = std::max(metrics.horizontalAdvance(QString::fromUtf8(samples[column])),
                                   metrics.horizontalAdvance(title));
        header->resizeSection(column, width + 24);
    }

    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Read by the mouse, never a stop of Tab; a screen reader hears each new
    // status as it comes (see MarkAsStatusLine).
    status_->setFocusPolicy(Qt::NoFocus);
    MarkAsStatusLine(*status_);

    notes_ = new QPlainTextEdit(this);
    makeReadOnlyText(notes_, kNotesLines);
    notes_->setAccessibleName(caption(SiteWord::NotesName));
}

void SiteWindow::setTabOrder() {
    // The task choices stay in the chain in their order, so that the arrow
    // keys go through them in it; Tab stops at the chosen one only. The
    // audit's pane stays in it too: Tab passes over it while it is hidden.
    const std::vector<QWidget*> chain = focusChain();
    for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

std::vector<QWidget*> SiteWindow::tabStops() const {
    std::vector<QWidget*> stops{taskButton(checkedTask())};
    for (QWidget* widget : focusChain()) {
        if (qobject_cast<QRadioButton*>(widget) != nullptr) continue;
        if (widget == audit_ && audit_->isHidden()) continue;
        stops.push_back(widget);
    }
    return stops;
}

std::vector<QWidget*> SiteWindow::focusChain() const {
    return {taskButton(SiteTask::Commission),
            taskButton(SiteTask::Backup),
            taskButton(SiteTask::Restore),
            taskButton(SiteTask::Audit),
            source_,
            button(SiteWord::Browse),
            range_,
            verify_,
            jobs_,
            report_,
            button(SiteWord::BrowseReport),
            resume_,
            button(SiteWord::BrowseResume),
            button(SiteWord::Check),
            button(SiteWord::Start),
            button(SiteWord::Stop),
            button(SiteWord::OpenPage),
            button(SiteWord::OpenSheet),
            button(SiteWord::Close),
            audit_,
            table_,
            notes_};
}

QPushButton* SiteWindow::button(SiteWord word) const {
    auto it = buttons_.find(word);
    return it == buttons_.end() ? nullptr : it->second;
}

QRadioButton* SiteWindow::taskButton(SiteTask task) const {
    return static_cast<QRadioButton*>(tasks_->button(static_cast<int>(task)));
}

SiteTask SiteWindow::checkedTask() const {
    const int id = tasks_->checkedId();
    return id < 0 ? SiteTask::Commission : static_cast<SiteTask>(id);
}

void SiteWindow::showTask() {
    const SiteTask task = checkedTask();
    sourceLabel_->setText(caption(app::SourceCaption(task)));
    resumeLabel_->setText(caption(app::ResumeCaption(task)));
    const QString hint = task == SiteTask::Audit ? caption(SiteWord::ModulesHint) : QString();
    resume_->setPlaceholderText(hint);
    resume_->setToolTip(hint);
    audit_->setVisible(task == SiteTask::Audit);
    nameFieldsAfterLabels();
}

void SiteWindow::nameFieldsAfterLabels() {
    // Set rather than left to the labels' buddies, which Qt reads with the
    // colon, and the "..." buttons, which say nothing by themselves, after
    // the field they fill.
    const std::pair<QLabel*, QWidget*> fields[] = {{sourceLabel_, source_},
                                                   {rangeLabel_, range_},
                                                   {jobsLabel_, jobs_},
                                                   {reportLabel_, report_},
                                                   {resumeLabel_, resume_}};
    for (const auto& [label, field] : fields) NameAfterLabel(field, *label);
    for (const auto& [word, field] : {std::pair{SiteWord::BrowseReport, report_},
                                      std::pair{SiteWord::BrowseResume, resume_}}) {
        button(word)->setAccessibleName(field->accessibleName() + QLatin1Char(' ') +
                                        SpokenCaption(caption(SiteWord::Browse)));
    }
}

void SiteWindow::reportSelection() {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        emit lineSelected(std::nullopt);
    } else {
        emit lineSelected(static_cast<std::size_t>(rows.front().row()));
    }
}

app::SiteForm SiteWindow::form() const {
    app::SiteForm form;
    form.task = checkedTask();
    form.source = source_->text().trimmed().toStdString();
    form.range = range_->text().trimmed().toStdString();
    form.report = report_->text().trimmed().toStdString();
    form.resume = resume_->text().trimmed().toStdString();
    form.verify = verify_->isChecked();
    form.jobs = jobs_->value();
    return form;
}

void SiteWindow::setForm(const app::SiteForm& form) {
    settingForm_ = true;
    taskButton(form.task)->setChecked(true);
    settingForm_ = false;
    showTask();
    source_->setText(QString::fromStdString(form.source));
    range_->setText(QString::fromStdString(form.range));
    report_->setText(QString::fromStdString(form.report));
    resume_->setText(QString::fromStdString(form.resume));
    verify_->setChecked(form.verify);
    jobs_->setValue(std::clamp(form.jobs, 0, kMostJobs));
}

void SiteWindow::setStatus(const QString& text) { status_->setText(text); }

void SiteWindow::showNotes(const QString& text) {
    // Each note ends its line; the empty line after the last would only take
    // one of the few lines the notes have.
    QString shown = text;
    if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
    notes_->setPlainText(shown);
    notes_->verticalScrollBar()->setValue(notes_->verticalScrollBar()->maximum());
}

void SiteWindow::showRecordColumns(const std::vector<std::string>& titles) {
    model_->setRecordColumns(titles);
    // The new columns take the header's default width: a sign needs far less.
    const QFontMetrics metrics(table_->font());
    int signWidth = 0;
    for (std::string_view sign : app::RecordSigns()) {
        signWidth = std::max(signWidth, metrics.horizontalAdvance(
                                            QString::fromUtf8(sign.data(), static_cast<qsizetype>(sign.size()))));
    }
    QHeaderView* header = table_->horizontalHeader();
    for (int column = SiteTableModel::FirstRecord; column < model_->reasonColumn(); ++column) {
        const QString title = model_->headerData(column, Qt::Horizontal).toString();
        header->resizeSection(column, std::max(signWidth, metrics.horizontalAdvance(title)) + 16);
    }
}

void SiteWindow::showAudit(const QString& text) {
    const QString before = audit_->toPlainText();
    if (text == before) return;  // the same line selected again: the reader's place stays
    // The pane keeps what stays (the legend, the patterns) and ends with the
    // selected module's bytes; those are what a new selection is for, so the
    // first line that changed comes to the top of the pane.
    const QStringList was = before.split(QLatin1Char('\n'));
    const QStringList now = text.split(QLatin1Char('\n'));
    int firstChanged = 0;
    while (firstChanged < was.size() && firstChanged < now.size() &&
           was[firstChanged] == now[firstChanged]) {
        ++firstChanged;
    }
    audit_->setPlainText(text);
    if (firstChanged == 0) return;
    // Scrolled to the end first, so that bringing the line into view brings
    // it to the top rather than to the bottom.
    audit_->verticalScrollBar()->setValue(audit_->verticalScrollBar()->maximum());
    QTextCursor cursor(audit_->document()->findBlockByNumber(firstChanged));
    audit_->setTextCursor(cursor);
    audit_->ensureCursorVisible();
}

std::vector<QWidget*> SiteWindow::widgetsOf(SiteControl control) const {
    switch (control) {
        case SiteControl::Task:
            return {taskButton(SiteTask::Commission), taskButton(SiteTask::Backup),
                    taskButton(SiteTask::Restore), taskButton(SiteTask::Audit)};
        case SiteControl::Source: return {sourceLabel_, source_, button(SiteWord::Browse)};
        case SiteControl::Range: return {rangeLabel_, range_};
        case SiteControl::Verify: return {verify_};
        case SiteControl::Jobs: return {jobsLabel_, jobs_};
        case SiteControl::Report: return {reportLabel_, report_, button(SiteWord::BrowseReport)};
        case SiteControl::Resume: return {resumeLabel_, resume_, button(SiteWord::BrowseResume)};
        case SiteControl::Check: return {button(SiteWord::Check)};
        case SiteControl::Start: return {button(SiteWord::Start)};
        case SiteControl::Stop: return {button(SiteWord::Stop)};
        case SiteControl::OpenPage: return {button(SiteWord::OpenPage)};
        case SiteControl::OpenSheet: return {button(SiteWord::OpenSheet)};
        case SiteControl::Close: return {button(SiteWord::Close)};
    }
    return {};
}

void SiteWindow::enable(SiteControl control, bool enabled) {
    for (QWidget* widget : widgetsOf(control)) widget->setEnabled(enabled);
}

bool SiteWindow::mayClose() { return !mayClose_ || mayClose_(); }

void SiteWindow::reject() {
    // Esc: the same question as the close box.
    if (mayClose()) QDialog::reject();
}

void SiteWindow::closeEvent(QCloseEvent* event) {
    if (!mayClose()) {
        event->ignore();
        return;
    }
    // Not QDialog::closeEvent: it would call reject() and ask a second time.
    QDialog::reject();
    event->accept();
}

void SiteWindow::closeWithoutAsking() { QDialog::reject(); }

void SiteWindow::keyPressEvent(QKeyEvent* event) {
    if (PressFocusedButtonOnEnter(*this, *event)) return;
    QDialog::keyPressEvent(event);
}

}  // namespace quelvar::ui::qt
