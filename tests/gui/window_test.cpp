// The main window as the user meets it: captions in both languages, the
// state right after start, the keys that do and do not end it, and the
// activity log window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>

#include <utility>

#include "app/dialog_template.h"
#include "gui_support.h"
#include "ui/qt/ip_address_edit.h"
#include "ui/qt/log_window.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/record_folder.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using platform::Language;

QString buttonText(ShownWindow& shown, ControlId id) {
    return shown.window().button(id)->text();
}

TEST(MainWindow, ShowsTheCaptionsOfEachLanguageInTemplateOrder) {
    for (Language language : {Language::English, Language::Japanese}) {
        SCOPED_TRACE(language == Language::English ? "English" : "Japanese");
        ShownWindow shown(language);
        ui::qt::MainWindow& window = shown.window();
        EXPECT_EQ(window.windowTitle(), "QUELVARinit");
        EXPECT_EQ(window.windowIcon().availableSizes(), ui::qt::ApplicationIcon().availableSizes());

        int plainLabel = 0;
        for (const app::DialogControl& entry : app::MainDialogControls()) {
            const QString caption = QString::fromUtf8(entry.caption(language));
            if (entry.kind == app::ControlKind::PushButton) {
                EXPECT_EQ(buttonText(shown, static_cast<ControlId>(entry.id)), caption);
            } else if (entry.kind == app::ControlKind::Label && entry.id == 0) {
                EXPECT_EQ(window.plainLabels().at(static_cast<std::size_t>(plainLabel++))->text(),
                          caption);
            }
        }
        // Fixed size, from the template's dialog units and the font's metrics.
        const app::DialogSize size = app::MainDialogSize(language);
        const auto& metrics = window.metrics();
        EXPECT_EQ(window.size(),
                  QSize(app::DialogUnitsToPixelsX(size.width, metrics.averageCharWidth),
                        app::DialogUnitsToPixelsY(size.height, metrics.charHeight)));
        EXPECT_EQ(window.minimumSize(), window.maximumSize());
        EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    }
    ShownWindow japanese(Language::Japanese);
    EXPECT_EQ(buttonText(japanese, ControlId::Search), QString::fromUtf8("検索(&S)"));
    EXPECT_EQ(buttonText(japanese, ControlId::LoadSetupRecord),
              QString::fromUtf8("setuprecord書き込み(&L)"));
}

TEST(MainWindow, StartsWithTheBuildLineFilesOfItsFolderAndFocusOnSearch) {
    ShownWindow shown(Language::English, {"b.rec", "A.REC", "notes.txt"});
    ASSERT_TRUE(shown.ready);
    ui::qt::MainWindow& window = shown.window();

    EXPECT_EQ(window.controlText(ControlId::ActivityLog), "build.104\r\n");
    EXPECT_FALSE(window.activityLog()->isVisible());
    EXPECT_EQ(window.controlText(ControlId::VersionLabel), "1.04");
    EXPECT_EQ(window.controlText(ControlId::RecordFolderLabel),
              shown.folder.path().toStdString() + "/");
    EXPECT_EQ(window.progressBar()->minimum(), 0);
    EXPECT_EQ(window.progressBar()->maximum(), 13);
    EXPECT_EQ(window.progressBar()->value(), 0);
    EXPECT_EQ(shown.list(ControlId::DeviceList)->count(), 0);
    QStringList files;
    for (int i = 0; i < shown.list(ControlId::FileList)->count(); ++i) {
        files << shown.list(ControlId::FileList)->item(i)->text();
    }
    files.sort();
    EXPECT_EQ(files, QStringList({"A.REC", "b.rec"}));

    EXPECT_EQ(QApplication::focusWidget(), shown.control(ControlId::Search));
    for (ControlId id :
         {ControlId::Search, ControlId::BrowseFolder, ControlId::DeviceList, ControlId::FileList}) {
        EXPECT_TRUE(shown.control(id)->isEnabled()) << static_cast<int>(id);
    }
    for (ControlId id :
         {ControlId::LoadSetupRecord, ControlId::SaveSetupRecord, ControlId::SetIpAddress,
          ControlId::IpAddress, ControlId::Telnet, ControlId::WebManager}) {
        EXPECT_FALSE(shown.control(id)->isEnabled()) << static_cast<int>(id);
    }

    // Tab walks the controls in template order; labels and the bar take no focus.
    const ControlId order[] = {ControlId::DeviceList, ControlId::BrowseFolder, ControlId::FileList,
                               ControlId::Search};
    for (ControlId expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), shown.control(expected))
            << static_cast<int>(expected);
    }
}

TEST(MainWindow, AnInstalledProgramStartsInTheUsersDocumentsElseHome) {
    // A home of its own, with no user-dirs.dirs: documents are HOME/Documents.
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
    QDir(home.path()).mkpath("Documents");
    QFile(home.filePath("Documents/kept.rec")).open(QIODevice::WriteOnly);
    // A program folder no file can be made in, even by root: a regular file.
    QTemporaryDir program;
    QFile(program.filePath("plain")).open(QIODevice::WriteOnly);
    const std::filesystem::path executable =
        std::filesystem::path(program.path().toStdString()) / "plain" / "QUELVARinit";

    RecordingLauncher launcher;
    auto start = [&] {
        auto dialog = std::make_unique<ui::qt::MainDialog>(
            Language::English, QStringLiteral("QUELVARinit"), launcher, executable);
        dialog->initialize();
        return dialog;
    };
    auto dialog = start();
    EXPECT_EQ(dialog->window().controlText(ControlId::RecordFolderLabel),
              home.filePath("Documents/").toStdString());
    EXPECT_EQ(dialog->dialog().recordFolder(), home.filePath("Documents/").toStdString());
    ASSERT_EQ(dialog->window().list(ControlId::FileList)->count(), 1);
    EXPECT_EQ(dialog->window().list(ControlId::FileList)->item(0)->text(), "kept.rec");

    QDir(home.filePath("Documents")).removeRecursively();
    dialog = start();
    EXPECT_EQ(dialog->dialog().recordFolder(), home.path().toStdString() + "/");

    // /usr belongs to the package manager, even for a user who may write there.
    EXPECT_TRUE(ui::qt::InstalledProgramRecordFolder("/usr/bin").has_value());
    EXPECT_FALSE(ui::qt::InstalledProgramRecordFolder(program.path().toStdString()).has_value());
    qputenv("HOME", savedHome);
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

TEST(MainWindow, EnterInAListDoesNothingOnAButtonPressesItAndEscEndsTheWindow) {
    ShownWindow shown(Language::English, {"one.rec"});
    ASSERT_TRUE(shown.ready);
    QSignalSpy finished(&shown.window(), &QDialog::finished);
    QSignalSpy started(shown.dialog.get(), &ui::qt::MainDialog::operationStarted);

    for (ControlId id : {ControlId::DeviceList, ControlId::FileList}) {
        shown.list(id)->setFocus();
        QTest::keyClick(shown.list(id), Qt::Key_Return);
        QTest::keyClick(shown.list(id), Qt::Key_Enter);
    }
    QTest::qWait(50);
    EXPECT_TRUE(shown.window().isVisible());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(started.count(), 0);

    // On a push button Enter presses that button.
    shown.dialogs.setNextFolder(std::nullopt);
    shown.control(ControlId::BrowseFolder)->setFocus();
    QTest::keyClick(shown.control(ControlId::BrowseFolder), Qt::Key_Return);
    QSignalSpy ended(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(shown.dialogs.folderRequests().size(), 1u);

    QTest::keyClick(shown.list(ControlId::FileList), Qt::Key_Escape);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(shown.window().isVisible());
}

TEST(MainWindow, SelectingAFileOrFocusingAListRunsTheSelectionUpdate) {
    ShownWindow shown(Language::English, {"one.rec"});
    ASSERT_TRUE(shown.ready);
    ui::qt::MainWindow& window = shown.window();

    // Focus gained alone refreshes the controls: the progress bar goes to 0.
    window.progressBar()->setValue(5);
    shown.list(ControlId::FileList)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(window.progressBar()->value(), 0);

    // A file without a device leaves Load disabled.
    shown.clickLine(ControlId::FileList, 0);
    EXPECT_EQ(shown.list(ControlId::FileList)->currentRow(), 0);
    EXPECT_FALSE(shown.control(ControlId::LoadSetupRecord)->isEnabled());
}

TEST(MainWindow, CtrlShiftLShowsTheActivityLogLiveInItsOwnWindow) {
    ShownWindow shown;
    ASSERT_TRUE(shown.ready);
    ui::qt::LogWindow* log = shown.window().logWindow();
    EXPECT_FALSE(log->isVisible());

    QTest::keyClick(&shown.window(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log->logText(), "build.104\n");
    EXPECT_FALSE(shown.window().activityLog()->isVisible());  // the window's own stays hidden

    shown.dialog->dialog().AppendLog("more.\r\n");
    EXPECT_EQ(log->logText(), "build.104\nmore.\n");
    log->close();
}

TEST(MainWindow, TheActivityLogWindowIsTitledInTheWindowsLanguage) {
    const std::pair<Language, const char*> cases[] = {
        {Language::English, "Activity log - QUELVARinit"},
        {Language::Japanese, "動作ログ - QUELVARinit"},
    };
    for (const auto& [language, title] : cases) {
        SCOPED_TRACE(title);
        ShownWindow shown(language);
        ASSERT_TRUE(shown.ready);
        QTest::keyClick(&shown.window(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
        ui::qt::LogWindow* log = shown.window().logWindow();
        EXPECT_TRUE(log->isVisible());
        EXPECT_EQ(log->windowTitle(), QString::fromUtf8(title));
        log->close();
    }
}

TEST(Startup, TheApplicationIconHasEverySizeOfTheIconTheme) {
    const QList<QSize> sizes = ui::qt::ApplicationIcon().availableSizes();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
    EXPECT_EQ(ui::qt::ApplicationIcon().pixmap(16, 16).size(), QSize(16, 16));
}

TEST(Startup, WithoutSocketsTheUserIsWarnedAndNoWindowAppears) {
    ScriptedDialogs dialogs;
    dialogs.setNextMessageAnswer(app::MessageAnswer::Ok);
    RecordingLauncher launcher;
    ui::qt::QtFrontEnd frontEnd(Language::Japanese, "QUELVARinit", launcher, "/opt/q/QUELVARinit",
                                dialogs);
    app::CInitApp application([] { return false; });

    EXPECT_NE(application.InitInstance(frontEnd, Language::Japanese), 0);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].kind, app::MessageKind::Warning);
    EXPECT_EQ(dialogs.messages()[0].text, "Windows ｿｹｯﾄの初期化に失敗しました。");
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<ui::qt::MainWindow*>(top), nullptr);
    }
    EXPECT_EQ(ui::qt::ApplicationNameFor("/opt/q/QUELVARinit.EXE"), "QUELVARinit");
}

}  // namespace
}  // namespace quelvar::testing
