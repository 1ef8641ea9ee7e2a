// The Site window's real widgets: its table model and progress bars, its
// keys, and runs against simulated modules started by clicking its buttons,
// where the presenter works on the worker thread and the window must carry
// every change back to its own.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "discovery/device_table.h"
#include "gui_support.h"
#include "sim/module.h"
#include "site_window_support.h"
#include "support/sim_fixture.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/site_table_model.h"

namespace quelvar::testing {
namespace {

using app::LineLook;
using app::MessageAnswer;
using app::MessageKind;
using app::SiteLine;
using app::SiteTask;
using app::SiteWord;
using platform::Language;
using ui::qt::SiteTableModel;

// ---- The table ------------------------------------------------------------

std::vector<SiteLine> waitingLines(std::size_t count) {
    std::vector<SiteLine> lines(count);
    for (std::size_t i = 0; i < count; ++i) lines[i].mac = "02-00-5E-10-00-" + std::to_string(i);
    return lines;
}

SiteLine withLook(SiteLine line, LineLook look, int progress) {
    line.look = look;
    line.progress = progress;
    line.result = look == LineLook::Failed ? "failed" : "";
    return line;
}

// A batch as a run of a thousand modules sends it: only the lines that
// changed are repainted, neighbours in one range; a scattered batch costs
// one range rather than a hundred.
TEST(SiteTable, ABatchRepaintsOnlyItsLinesInFewRangesAndFailedLinesStandOut) {
    SiteTableModel model(Language::English);
    const std::vector<SiteLine> lines = waitingLines(1000);
    model.setLines(lines);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    model.updateLines({{6, withLook(lines[6], LineLook::Running, 30)},
                       {5, withLook(lines[5], LineLook::Running, 10)},
                       {7, withLook(lines[7], LineLook::Stopped, 50)},
                       {500, withLook(lines[500], LineLook::Failed, 20)},
                       {9, lines[9]},           // unchanged: nothing to repaint
                       {1000, lines[0]}});      // beyond the table: left out
    ASSERT_EQ(changed.count(), 2);
    const auto range = [&](int i) {
        const auto first = changed[i][0].value<QModelIndex>();
        const auto last = changed[i][1].value<QModelIndex>();
        return std::tuple(first.row(), first.column(), last.row(), last.column());
    };
    EXPECT_EQ(range(0), std::tuple(5, 0, 7, model.columnCount() - 1));
    EXPECT_EQ(range(1), std::tuple(500, 0, 500, model.columnCount() - 1));
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_EQ(model.index(6, SiteTableModel::Progress).data().toString(), "30 %");

    // Failed and stopped lines stand out from each other and from the rest,
    // in a text colour of their own that stays readable on a dark theme.
    const QVariant failed = model.index(500, SiteTableModel::Mac).data(Qt::BackgroundRole);
    const QVariant stopped = model.index(7, SiteTableModel::Mac).data(Qt::BackgroundRole);
    ASSERT_TRUE(failed.isValid());
    ASSERT_TRUE(stopped.isValid());
    EXPECT_NE(failed, stopped);
    EXPECT_FALSE(model.index(5, SiteTableModel::Mac).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(model.index(500, model.reasonColumn()).data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(
        model.index(500, SiteTableModel::Result).data(Qt::FontRole).value<QFont>().bold());

    changed.clear();
    std::vector<std::pair<std::size_t, SiteLine>> scattered;
    for (std::size_t row = 100; row < 1000; row += 9) {
        scattered.emplace_back(row, withLook(lines[row], LineLook::Running, 1));
    }
    model.updateLines(scattered);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(range(0), std::tuple(100, 0, 991, model.columnCount() - 1));
}

// An audit's record columns stand between the result and the reason, each
// cell its line's sign (none while the line has fewer), centred and coloured
// by the sign alone: a record the same as the reference stays plain even in
// a line that differs. Without titles the reason follows the result again.
TEST(SiteTable, RecordColumnsStandBetweenResultAndReasonColouredByTheirSigns) {
    SiteTableModel model(Language::English);
    model.setRecordColumns({"0", "2", "+9"});
    std::vector<SiteLine> lines = waitingLines(3);
    lines[0] = withLook(lines[0], LineLook::Failed, 100);
    lines[0].records = {"=", "≠"};
    lines[0].reason = "differs";
    lines[1] = withLook(lines[1], LineLook::Stopped, 100);
    lines[1].records = {"?", "≈", "+"};
    model.setLines(lines);

    const int first = SiteTableModel::FirstRecord;
    ASSERT_EQ(first, SiteTableModel::Result + 1);
    EXPECT_EQ(model.columnCount(), first + 4);
    EXPECT_EQ(model.reasonColumn(), first + 3);
    QStringList titles;
    for (int column = SiteTableModel::Result; column < model.columnCount(); ++column) {
        titles << model.headerData(column, Qt::Horizontal).toString();
    }
    EXPECT_EQ(titles, (QStringList{"Result", "0", "2", "+9", "Reason"}));
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return model.index(row, column).data(role);
    };
    EXPECT_EQ(cell(0, first + 1).toString(), QString::fromUtf8("≠"));
    EXPECT_EQ(cell(0, first + 2).toString(), "") << "a line with fewer signs";
    EXPECT_EQ(cell(2, first).toString(), "") << "a line not read yet";
    EXPECT_EQ(cell(0, model.reasonColumn()).toString(), "differs");
    EXPECT_EQ(cell(1, first, Qt::TextAlignmentRole).toInt(), static_cast<int>(Qt::AlignCenter));

    const QVariant failed = cell(0, SiteTableModel::Mac, Qt::BackgroundRole);
    const QVariant stopped = cell(1, SiteTableModel::Mac, Qt::BackgroundRole);
    EXPECT_FALSE(cell(0, first, Qt::BackgroundRole).isValid()) << "the same in a failed line";
    EXPECT_EQ(cell(0, first + 1, Qt::BackgroundRole), failed);
    EXPECT_EQ(cell(1, first + 2, Qt::BackgroundRole), failed) << "a record beyond";
    EXPECT_EQ(cell(1, first, Qt::BackgroundRole), stopped);
    const QVariant pattern = cell(1, first + 1, Qt::BackgroundRole);
    ASSERT_TRUE(pattern.isValid());
    EXPECT_NE(pattern, failed);
    EXPECT_NE(pattern, stopped);
    EXPECT_TRUE(cell(1, first + 1, Qt::ForegroundRole).isValid());

    // A change repaints the whole line, the reason included.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    lines[2].records = {"="};
    model.updateLines({{2, lines[2]}});
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().column(), model.reasonColumn());

    model.setRecordColumns({});
    EXPECT_EQ(model.columnCount(), first + 1);
    EXPECT_EQ(model.headerData(first, Qt::Horizontal).toString(), "Reason");
    EXPECT_EQ(cell(0, first).toString(), "differs");
}

// The Progress cell of a line as the window's table paints it.
QImage paintedProgress(ui::qt::SiteWindow& window, int row) {
    QTableView* table = window.table();
    const QModelIndex index = window.model()->index(row, SiteTableModel::Progress);
    QStyleOptionViewItem option;
    option.initFrom(table);
    option.rect = QRect(0, 0, 200, 22);
    option.widget = table;
    QImage image(option.rect.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    table->itemDelegateForColumn(SiteTableModel::Progress)->paint(&painter, option, index);
    return image;
}

bool sameStrip(const QImage& a, const QImage& b, int fromX, int toX) {
    for (int x = fromX; x < toX; ++x) {
        for (int y = 0; y < a.height(); ++y) {
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
        }
    }
    return true;
}

// The bar fills from the left as the line goes: at half its left part is
// filled and its right part is not; a line still waiting has no bar at all.
TEST(SiteTable, ProgressIsDrawnAsTheStylesBarFillingWithTheLine) {
    ui::qt::SiteWindow window(Language::English);
    std::vector<SiteLine> lines = waitingLines(4);
    lines[1] = withLook(lines[1], LineLook::Running, 0);
    lines[2] = withLook(lines[2], LineLook::Running, 50);
    lines[3] = withLook(lines[3], LineLook::Passed, 100);
    window.model()->setLines(lines);

    const QImage waiting = paintedProgress(window, 0);
    const QImage empty = paintedProgress(window, 1);
    const QImage half = paintedProgress(window, 2);
    const QImage full = paintedProgress(window, 3);
    const int width = empty.width();
    const auto left = [&](const QImage& image) {
        return sameStrip(image, empty, width / 20, width / 5);
    };
    const auto right = [&](const QImage& image) {
        return sameStrip(image, empty, width * 4 / 5, width * 19 / 20);
    };
    EXPECT_FALSE(sameStrip(waiting, empty, 0, width)) << "a waiting line shows no bar";
    EXPECT_FALSE(left(half));
    EXPECT_TRUE(right(half));
    EXPECT_FALSE(left(full));
    EXPECT_FALSE(right(full));
}

// ---- Keys -----------------------------------------------------------------

// Far more than a button's pressed look lasts.
constexpr int kPressMs = 2000;

struct KeyTarget {
    SiteWord word;
    std::function<bool()> reached;
};

// Alt with the marked key of every caption reaches its control (a button is
// pressed, a choice made, a label's field focused), and Tab visits every
// control in caption order, Shift+Tab back: in both languages, and for each
// task's caption of the source field.
TEST(SiteWindowKeys, EveryAccessKeyAndTabReachTheirControlInBothLanguages) {
    for (Language language : {Language::English, Language::Japanese}) {
        SCOPED_TRACE(language == Language::English ? "English" : "Japanese");
        ui::qt::SiteWindow window(language);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        for (int c = 0; c <= static_cast<int>(app::SiteControl::Close); ++c) {
            window.enable(static_cast<app::SiteControl>(c), true);
        }
        QSignalSpy clicked(&window, &ui::qt::SiteWindow::clicked);
        auto pressed = [&](SiteWord word) {
            return [&, word] {
                return clicked.count() == 1 && clicked[0][0].value<SiteWord>() == word;
            };
        };
        auto focused = [](QWidget* widget) { return [widget] { return widget->hasFocus(); }; };
        auto chosen = [&](SiteTask task) {
            return [&, task] { return window.taskButton(task)->isChecked(); };
        };
        const std::vector<KeyTarget> targets{
            {SiteWord::TaskBackup, chosen(SiteTask::Backup)},
            {SiteWord::BackupToLabel, focused(window.sourceEdit())},
            {SiteWord::TaskRestore, chosen(SiteTask::Restore)},
            {SiteWord::RestoreFromLabel, focused(window.sourceEdit())},
            {SiteWord::TaskAudit, chosen(SiteTask::Audit)},
            {SiteWord::ReferenceLabel, focused(window.sourceEdit())},
            {SiteWord::ModulesLabel, focused(window.resumeEdit())},
            {SiteWord::TaskCommission, chosen(SiteTask::Commission)},
            {SiteWord::SheetLabel, focused(window.sourceEdit())},
            {SiteWord::Browse, pressed(SiteWord::Browse)},
            {SiteWord::RangeLabel, focused(window.rangeEdit())},
            {SiteWord::Verify, [&] { return window.verifyBox()->isChecked(); }},
            {SiteWord::JobsLabel, focused(window.jobsBox())},
            {SiteWord::ReportLabel, focused(window.reportEdit())},
            {SiteWord::ResumeLabel, focused(window.resumeEdit())},
            {SiteWord::Check, pressed(SiteWord::Check)},
            {SiteWord::Start, pressed(SiteWord::Start)},
            {SiteWord::Stop, pressed(SiteWord::Stop)},
            {SiteWord::OpenPage, pressed(SiteWord::OpenPage)},
            {SiteWord::OpenSheet, pressed(SiteWord::OpenSheet)},
        };
        // A key two captions share only moves the focus between them.
        std::map<int, QString> shownTogether;
        for (const KeyTarget& target : targets) {
            if (target.word == SiteWord::BackupToLabel || target.word == SiteWord::RestoreFromLabel ||
                target.word == SiteWord::ReferenceLabel || target.word == SiteWord::ModulesLabel) {
                continue;  // shown instead of the sheet's or the resume's caption
            }
            const QString caption = QString::fromUtf8(app::SiteText(target.word, language));
            const int key = QKeySequence::mnemonic(caption)[0].key();
            const auto [place, fresh] = shownTogether.emplace(key, caption);
            EXPECT_TRUE(fresh) << place->second.toStdString() << " and " << caption.toStdString()
                               << " share their access key";
        }
        for (const KeyTarget& target : targets) {
            const QString caption = QString::fromUtf8(app::SiteText(target.word, language));
            const QKeySequence mnemonic = QKeySequence::mnemonic(caption);
            ASSERT_FALSE(mnemonic.isEmpty()) << caption.toStdString();
            window.notes()->setFocus(Qt::OtherFocusReason);
            clicked.clear();
            QTest::keyClick(&window, mnemonic[0].key(), Qt::AltModifier);
            // A button's key presses it as a click would, after its brief
            // pressed look.
            QElapsedTimer timer;
            timer.start();
            while (!target.reached() && timer.elapsed() < kPressMs) QTest::qWait(10);
            EXPECT_TRUE(target.reached()) << caption.toStdString() << " with "
                                          << mnemonic.toString().toStdString();
        }

        // Tab visits every control once in caption order, the task choice
        // once (its arrows move within it); Shift+Tab goes back. The audit's
        // pane is a stop, after Close, only while it is shown.
        for (SiteTask task : {SiteTask::Commission, SiteTask::Audit}) {
            window.taskButton(task)->setChecked(true);
            const std::vector<QWidget*> stops = window.tabStops();
            const auto close = std::find(stops.begin(), stops.end(), window.button(SiteWord::Close));
            ASSERT_NE(close, stops.end());
            EXPECT_EQ(close[1] == window.auditPane(), task == SiteTask::Audit);
            stops.front()->setFocus(Qt::TabFocusReason);
            for (std::size_t i = 1; i <= stops.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                EXPECT_TRUE(stops[i % stops.size()]->hasFocus()) << "Tab " << i;
            }
            for (std::size_t i = stops.size(); i-- > 0;) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
                EXPECT_TRUE(stops[i]->hasFocus()) << "Shift+Tab " << i;
            }
        }
    }
}

// ---- The audit ------------------------------------------------------------

// Choosing the audit relabels the fields for a reference and the modules
// compared and shows its pane above the table; the record columns are
// narrow; a line the user selects is told at once, and a replaced table's
// loss of the selection once the call that replaced it has returned.
TEST(SiteWindowAudit, TheAuditShowsItsPaneAndNarrowColumnsAndTellsTheSelectedLine) {
    ui::qt::SiteWindow window(Language::English);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto text = [](SiteWord word) {
        return QString::fromUtf8(app::SiteText(word, Language::English));
    };
    const auto* resumeLabel =
        qobject_cast<QLabel*>(window.widgetsOf(app::SiteControl::Resume).front());
    ASSERT_NE(resumeLabel, nullptr);
    EXPECT_FALSE(window.auditPane()->isVisible());

    QTest::mouseClick(window.taskButton(SiteTask::Audit), Qt::LeftButton);
    ASSERT_TRUE(window.taskButton(SiteTask::Audit)->isChecked());
    EXPECT_EQ(window.taskButton(SiteTask::Audit)->text(), text(SiteWord::TaskAudit));
    EXPECT_EQ(window.sourceLabel()->text(), text(SiteWord::ReferenceLabel));
    EXPECT_EQ(resumeLabel->text(), text(SiteWord::ModulesLabel));
    EXPECT_EQ(window.resumeEdit()->placeholderText(), text(SiteWord::ModulesHint));
    EXPECT_TRUE(window.auditPane()->isVisible());
    EXPECT_EQ(window.auditPane()->accessibleName(), text(SiteWord::AuditPane));
    EXPECT_LT(window.auditPane()->geometry().bottom(), window.table()->geometry().top());

    window.showRecordColumns({"0", "2", "+9"});
    window.model()->setLines(waitingLines(3));
    QHeaderView* header = window.table()->horizontalHeader();
    for (int column = SiteTableModel::FirstRecord; column < window.model()->reasonColumn(); ++column) {
        EXPECT_LT(header->sectionSize(column), header->sectionSize(SiteTableModel::Result) / 2)
            << column;
    }
    EXPECT_NE(window.table()->itemDelegateForColumn(SiteTableModel::Progress), nullptr);
    EXPECT_EQ(window.table()->itemDelegateForColumn(SiteTableModel::FirstRecord), nullptr);

    QCoreApplication::processEvents();  // what the new table said of the selection
    std::vector<std::optional<std::size_t>> heard;
    QObject::connect(&window, &ui::qt::SiteWindow::lineSelected,
                     [&](std::optional<std::size_t> line) { heard.push_back(line); });
    const QRect cell = window.table()->visualRect(window.model()->index(1, SiteTableModel::Mac));
    QTest::mouseClick(window.table()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(heard, (std::vector<std::optional<std::size_t>>{1}));
    window.model()->setLines(waitingLines(3));
    EXPECT_EQ(heard.size(), 1u);
    QElapsedTimer timer;
    timer.start();
    while (heard.size() < 2 && timer.elapsed() < kPressMs) QTest::qWait(10);
    EXPECT_EQ(heard, (std::vector<std::optional<std::size_t>>{1, std::nullopt}));

    // The pane's text for another line selected: what changed comes to the
    // top of the few lines the pane has; the same text again leaves it be.
    QPlainTextEdit* pane = window.auditPane();
    const auto topLine = [&] { return pane->cursorForPosition(QPoint(4, 4)).blockNumber(); };
    const auto shown = [&](int line) {
        const QTextCursor at(pane->document()->findBlockByNumber(line));
        return pane->viewport()->rect().contains(pane->cursorRect(at));
    };
    QString kept;
    for (int i = 0; i < 12; ++i) kept += QStringLiteral("pattern %1\n").arg(i);
    window.showAudit(kept + "module 1: record 2 bytes 0-3");
    QCoreApplication::processEvents();
    EXPECT_EQ(topLine(), 0);
    window.showAudit(kept + "module 2: record 4 bytes 8-9\nrecord 6 missing");
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown(12));
    EXPECT_TRUE(shown(13));
    pane->verticalScrollBar()->setValue(0);
    window.showAudit(kept + "module 2: record 4 bytes 8-9\nrecord 6 missing");
    EXPECT_EQ(topLine(), 0);

    QTest::mouseClick(window.taskButton(SiteTask::Commission), Qt::LeftButton);
    EXPECT_FALSE(window.auditPane()->isVisible());
    EXPECT_EQ(resumeLabel->text(), text(SiteWord::ResumeLabel));
    EXPECT_TRUE(window.resumeEdit()->placeholderText().isEmpty());
}

// `QUELVARinit --site` opens the Site window, titled in its language, and
// ends when it is closed; without the argument the main window stays.
TEST(Startup, SiteOpensTheSiteWindowUntilItIsClosed) {
    EXPECT_EQ(ui::qt::StartWindowFor({"QUELVARinit"}), ui::qt::StartWindow::Main);
    EXPECT_EQ(ui::qt::StartWindowFor({"--site"}), ui::qt::StartWindow::Main);  // the program's name
    ScriptedDialogs dialogs;
    RecordingLauncher launcher;
    ui::qt::QtFrontEnd frontEnd(Language::Japanese, "QUELVARinit", launcher, "/opt/q/QUELVARinit",
                                dialogs);
    frontEnd.setStartWindow(ui::qt::StartWindowFor({"QUELVARinit", "--site"}));

    QString title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* site = qobject_cast<ui::qt::SiteWindow*>(top);
            if (site == nullptr || !site->isVisible()) continue;
            title = site->windowTitle();
            QTest::keyClick(site, Qt::Key_Escape);
        }
    });
    poll.start(20);
    QTimer giveUp;  // should the window never show
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, qApp, &QCoreApplication::quit);
    giveUp.start(kCheckTimeoutMs);
    EXPECT_EQ(frontEnd.runMainWindow(), 0);
    EXPECT_EQ(title, QString::fromUtf8("QUELVARinit サイト"));
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<ui::qt::MainWindow*>(top), nullptr);
    }
}

// ---- With the presenter ---------------------------------------------------

// A task chosen with the mouse reaches the presenter on the worker thread,
// and what it sets comes back to the widgets: the source field's caption and
// the fields that only commissioning has.
TEST(SiteWiring, AChosenTaskReachesThePresenterAndItsAnswerTheWidgets) {
    ShownSiteWindow shown;
    ASSERT_TRUE(shown.ready);
    ASSERT_TRUE(shown.window().reportEdit()->isEnabled());
    QSignalSpy finished(shown.dialog.get(), &ui::qt::SiteDialog::handlerFinished);

    QTest::mouseClick(shown.window().taskButton(SiteTask::Backup), Qt::LeftButton);
    ASSERT_TRUE(WaitForHandlers(finished, 1, kCheckTimeoutMs));
    EXPECT_EQ(finished[0][0].value<SiteWord>(), SiteWord::TaskGroup);
    EXPECT_EQ(shown.window().sourceLabel()->text(), "Back up &into:");
    EXPECT_FALSE(shown.window().reportEdit()->isEnabled());
    EXPECT_EQ(shown.dialog->view().form().task, SiteTask::Backup);
}

class SiteRun : public ::testing::Test {
  protected:
    void SetUp() override { QUELVAR_REQUIRE_NETNS(); }

    // Modules 0..count-1 of the simulator, each given 127.0.0.(20 + i).
    void startModules(int count) {
        std::vector<sim::ModuleConfig> modules;
        for (int i = 0; i < count; ++i) modules.push_back(sim::DefaultModule(i));
        farm_ = StartFarm(modules);
        for (int i = 0; i < count; ++i) {
            sheet_ += discovery::FormatMac(farm_->module(i).mac) + ",127.0.0." +
                      std::to_string(20 + i) + "\n";
        }
    }

    // Types the sheet and report into their fields, as a user may instead of
    // browsing, and clicks Start. Leaving the sheet's field checks it; the
    // click on Start waits for that check rather than being lost.
    void start(int jobs) {
        const QString sheet = shown_.writeFile("site.csv", "mac,address\n" + sheet_);
        report_ = shown_.folder.filePath("site-report.json");
        typeInto(shown_.window().sourceEdit(), sheet);
        typeInto(shown_.window().reportEdit(), report_);
        shown_.window().jobsBox()->setValue(jobs);
        QTest::mouseClick(shown_.window().button(SiteWord::Start), Qt::LeftButton);
    }

    // Calls `act` once on the GUI thread, as a user's click between two
    // events, once some line of the table is running.
    void onceRunning(std::function<void()> act) {
        QObject::connect(shown_.window().model(), &QAbstractItemModel::dataChanged,
                         shown_.dialog.get(), [this, act = std::move(act)] {
                             if (acted_ || !anyLine(LineLook::Running)) return;
                             acted_ = true;
                             QTimer::singleShot(0, shown_.dialog.get(), act);
                         });
    }

    bool anyLine(LineLook look) {
        for (const SiteLine& line : shown_.window().model()->lines()) {
            if (line.look == look) return true;
        }
        return false;
    }

    std::vector<std::string> confirmations() const {
        std::vector<std::string> texts;
        for (const auto& message : shown_.dialogs.messages()) {
            if (message.kind == MessageKind::Confirmation) texts.push_back(message.text);
        }
        return texts;
    }

    ShownSiteWindow shown_;
    std::unique_ptr<sim::Farm> farm_;
    std::string sheet_;
    QString report_;
    bool acted_ = false;
};

// A sheet with a malformed row: its good rows are shown, the bad one is
// named by its line, and Start refuses without asking or sending anything.
TEST_F(SiteRun, AMalformedSheetShowsItsRowsNamesTheBadLineAndDoesNotStart) {
    startModules(2);
    ASSERT_TRUE(shown_.ready);
    const QString sheet = shown_.writeFile(
        "site.csv", "mac,address\n" + sheet_ + "02-00-5E-ZZ-00-09,127.0.0.29\n");
    QSignalSpy finished(shown_.dialog.get(), &ui::qt::SiteDialog::handlerFinished);

    // The chooser's sheet goes into the field and is checked at once.
    shown_.dialogs.setNextOpenFile(std::filesystem::path(sheet.toStdString()));
    shown_.dialogs.setNextMessageAnswer(MessageAnswer::Ok);
    QTest::mouseClick(shown_.window().button(SiteWord::Browse), Qt::LeftButton);
    ASSERT_TRUE(WaitForHandlers(finished, 1, kCheckTimeoutMs));
    ASSERT_EQ(shown_.dialogs.openRequests().size(), 1u);
    EXPECT_EQ(shown_.dialogs.openRequests()[0].filters.at(0).pattern, "*.csv");
    EXPECT_EQ(shown_.window().sourceEdit()->text(), sheet);
    EXPECT_EQ(shown_.window().model()->rowCount(), 2);
    EXPECT_TRUE(shown_.window().notes()->toPlainText().contains("line 4"))
        << shown_.window().notes()->toPlainText().toStdString();
    EXPECT_FALSE(shown_.window().statusLabel()->text().isEmpty());

    shown_.dialogs.setNextMessageAnswer(MessageAnswer::Ok);
    QTest::mouseClick(shown_.window().button(SiteWord::Start), Qt::LeftButton);
    ASSERT_TRUE(WaitForHandlers(finished, 2, kCheckTimeoutMs));
    ASSERT_EQ(shown_.dialogs.messages().size(), 2u);
    for (const auto& message : shown_.dialogs.messages()) {
        EXPECT_EQ(message.kind, MessageKind::Warning) << message.text;
    }
    EXPECT_TRUE(farm_->receivedDatagrams().empty());
    EXPECT_FALSE(anyLine(LineLook::Running));
    EXPECT_TRUE(shown_.window().button(SiteWord::Start)->isEnabled());
}

// Three modules commissioned from a typed sheet: the table changes live on
// the GUI thread while Stop is the button to use, every line ends passed,
// the summary and report are there, and the handover page opens.
TEST_F(SiteRun, AGoodSheetIsCommissionedEndToEndAndItsHandoverOpens) {
    startModules(3);
    ASSERT_TRUE(shown_.ready);
    QSignalSpy finished(shown_.dialog.get(), &ui::qt::SiteDialog::handlerFinished);
    int updates = 0;
    bool offGuiThread = false;
    bool stopUsableWhileRunning = true;
    QObject::connect(shown_.window().model(), &QAbstractItemModel::dataChanged,
                     shown_.dialog.get(), [&] {
                         ++updates;
                         offGuiThread |= QThread::currentThread() != qApp->thread();
                         stopUsableWhileRunning &=
                             shown_.window().button(SiteWord::Stop)->isEnabled() &&
                             !shown_.window().button(SiteWord::Start)->isEnabled();
                     });

    shown_.dialogs.setNextMessageAnswer(MessageAnswer::Ok);
    start(0);
    ASSERT_TRUE(WaitForHandlers(finished, 2, kRunTimeoutMs));  // the sheet's check, then the run

    const std::vector<std::string> asked = confirmations();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].starts_with("Commission 3 module(s)")) << asked[0];
    EXPECT_GT(updates, 0);
    EXPECT_FALSE(offGuiThread);
    EXPECT_TRUE(stopUsableWhileRunning);
    const std::vector<SiteLine>& lines = shown_.window().model()->lines();
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].result, "passed") << i << ": " << lines[i].reason;
        EXPECT_EQ(lines[i].after, "127.0.0." + std::to_string(20 + i));
        EXPECT_EQ(shown_.window().model()->index(static_cast<int>(i), SiteTableModel::Result)
                      .data()
                      .toString(),
                  "passed");
    }
    EXPECT_EQ(farm_->module(2).address, (platform::Ipv4Octets{127, 0, 0, 22}));
    EXPECT_TRUE(shown_.window().statusLabel()->text().startsWith("Done: 3 passed"))
        << shown_.window().statusLabel()->text().toStdString();
    EXPECT_TRUE(QFile::exists(report_));
    EXPECT_FALSE(shown_.window().button(SiteWord::Stop)->isEnabled());

    ASSERT_TRUE(shown_.window().button(SiteWord::OpenPage)->isEnabled());
    QTest::mouseClick(shown_.window().button(SiteWord::OpenPage), Qt::LeftButton);
    ASSERT_EQ(shown_.launcher.urls.size(), 1u);
    EXPECT_TRUE(shown_.launcher.urls[0].starts_with("file://")) << shown_.launcher.urls[0];
    EXPECT_TRUE(shown_.launcher.urls[0].ends_with("site-report.html")) << shown_.launcher.urls[0];
}

// Stop during a run asks once; the modules that had not begun stay so.
TEST_F(SiteRun, StopDuringARunAsksOnceAndLeavesTheModulesNotBegunNotStarted) {
    startModules(5);
    ASSERT_TRUE(shown_.ready);
    QSignalSpy finished(shown_.dialog.get(), &ui::qt::SiteDialog::handlerFinished);
    QPushButton* stop = shown_.window().button(SiteWord::Stop);
    onceRunning([stop] {
        QTest::mouseClick(stop, Qt::LeftButton);
        QTest::mouseClick(stop, Qt::LeftButton);  // a second click asks nothing more
    });

    shown_.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // the run
    shown_.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // the stop
    start(1);
    ASSERT_TRUE(WaitForHandlers(finished, 2, kRunTimeoutMs));  // the sheet's check, then the run

    ASSERT_TRUE(acted_);
    const std::vector<std::string> asked = confirmations();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[1].starts_with("Stop the run?")) << asked[1];
    std::size_t notStarted = 0;
    for (const SiteLine& line : shown_.window().model()->lines()) {
        EXPECT_NE(line.look, LineLook::Running) << line.mac;
        if (line.result == "not started") {
            ++notStarted;
            EXPECT_EQ(line.look, LineLook::Waiting) << line.mac;
        }
    }
    EXPECT_GE(notStarted, 1u);
    EXPECT_TRUE(shown_.window().statusLabel()->text().startsWith("Stopped: "))
        << shown_.window().statusLabel()->text().toStdString();
    EXPECT_TRUE(shown_.window().isVisible());
}

// The close box during a run is the stop question; once agreed the window
// stays until the run has ended, and then closes by itself.
TEST_F(SiteRun, ClosingDuringARunAsksAndClosesOnceTheRunHasEnded) {
    startModules(4);
    ASSERT_TRUE(shown_.ready);
    std::vector<std::string> order;
    QObject::connect(shown_.dialog.get(), &ui::qt::SiteDialog::handlerFinished,
                     [&](SiteWord handler) {
                         if (handler == SiteWord::Start) order.push_back("run ended");
                     });
    QObject::connect(&shown_.window(), &QDialog::finished, [&] { order.push_back("closed"); });
    bool visibleAfterClose = false;
    onceRunning([&] {
        shown_.window().close();
        visibleAfterClose = shown_.window().isVisible();
    });

    shown_.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // the run
    shown_.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // the stop
    start(1);
    QElapsedTimer timer;
    timer.start();
    while (order.size() < 2 && timer.elapsed() < kRunTimeoutMs) QTest::qWait(20);

    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(order, (std::vector<std::string>{"run ended", "closed"}));
    EXPECT_EQ(confirmations().size(), 2u);
    EXPECT_FALSE(shown_.window().isVisible());
}

}  // namespace
}  // namespace quelvar::testing
