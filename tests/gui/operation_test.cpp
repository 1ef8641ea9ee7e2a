// Operations started by clicking the real buttons: they run off the GUI
// thread while the window keeps painting and takes no input.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>

#include "app/dialog_template.h"
#include "gui_support.h"
#include "sim/module.h"
#include "support/sim_fixture.h"
#include "ui/qt/ip_address_edit.h"
#include "ui/qt/log_window.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using app::MessageKind;

constexpr int kOperationTimeoutMs = 15000;

// Counts the paint events of one widget.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST(Operations, SearchListsTheModulesAndSelectingOneEnablesItsButtons) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), sim::DefaultModule(2)});
    ShownWindow shown(platform::Language::English, {"one.rec"});
    ASSERT_TRUE(shown.ready);
    QSignalSpy finished(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);

    QTest::mouseClick(shown.window().button(ControlId::Search), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(kOperationTimeoutMs));

    QListWidget* devices = shown.list(ControlId::DeviceList);
    ASSERT_EQ(devices->count(), 3);
    QStringList lines;
    for (int i = 0; i < devices->count(); ++i) lines << devices->item(i)->text();
    lines.sort();
    EXPECT_TRUE(lines[0].startsWith("02-00-5E-10-00-00 - 127.0.0.2 - AA - "))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[2].contains(" - 127.0.0.4 - ")) << lines[2].toStdString();
    EXPECT_TRUE(shown.dialogs.messages().empty());  // no "not found."

    shown.clickLine(ControlId::DeviceList, 0);
    for (ControlId id : {ControlId::SaveSetupRecord, ControlId::SetIpAddress, ControlId::IpAddress,
                         ControlId::Telnet, ControlId::WebManager}) {
        EXPECT_TRUE(shown.control(id)->isEnabled()) << static_cast<int>(id);
    }
    EXPECT_FALSE(shown.control(ControlId::LoadSetupRecord)->isEnabled());
    const std::string ip = shown.dialog->dialog().deviceTable().rows[0].ipText;
    const auto octets = shown.window().ipAddressEdit()->octets();
    EXPECT_EQ(ip, std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
                      std::to_string(octets[2]) + "." + std::to_string(octets[3]));
    EXPECT_EQ(shown.window().controlText(ControlId::ActivityLog).rfind("Device data...\r\nip:", 0),
              0u);

    shown.clickLine(ControlId::FileList, 0);
    EXPECT_TRUE(shown.control(ControlId::LoadSetupRecord)->isEnabled());

    // Enter on the selected device or in the address field does nothing.
    QSignalSpy started(shown.dialog.get(), &ui::qt::MainDialog::operationStarted);
    QTest::keyClick(devices, Qt::Key_Return);
    shown.window().ipAddressEdit()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_EQ(started.count(), 0);
    EXPECT_TRUE(shown.window().isVisible());
}

TEST(Operations, TabAndShiftTabReachEveryEnabledControlIncludingTheAddress) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    ShownWindow shown(platform::Language::English, {"one.rec"});
    ASSERT_TRUE(shown.ready);
    QSignalSpy finished(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);
    QTest::mouseClick(shown.window().button(ControlId::Search), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(kOperationTimeoutMs));
    shown.clickLine(ControlId::DeviceList, 0);
    shown.clickLine(ControlId::FileList, 0);

    // Every control that takes the focus is enabled now; the address control
    // takes it in its first number.
    std::vector<QWidget*> stops;
    for (const app::DialogControl& entry : app::MainDialogControls()) {
        if (!entry.tabStop) continue;
        QWidget* control = shown.control(static_cast<ControlId>(entry.id));
        ASSERT_TRUE(control->isEnabled()) << entry.id;
        if (control == shown.window().ipAddressEdit()) {
            control = shown.window().ipAddressEdit()->field(0);
        }
        stops.push_back(control);
    }
    shown.control(ControlId::Search)->setFocus(Qt::OtherFocusReason);
    for (std::size_t i = 1; i <= stops.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), stops[i % stops.size()]) << "Tab " << i;
    }
    for (std::size_t i = stops.size(); i-- > 0;) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), stops[i]) << "Shift+Tab " << i;
    }
}

TEST(Operations, WindowKeepsPaintingButTakesNoInputWhileAnOperationRuns) {
    QUELVAR_REQUIRE_NETNS();
    // No module answers: the search waits for its quiet second, then says so.
    ShownWindow shown;
    ASSERT_TRUE(shown.ready);
    shown.dialogs.setNextMessageAnswer(app::MessageAnswer::Ok);
    QSignalSpy finished(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);
    QSignalSpy closed(&shown.window(), &QDialog::finished);

    PaintCounter paints(&shown.window());
    int ticks = 0;
    int busyTicks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (shown.window().isBusy()) ++busyTicks;
        shown.window().update();  // as a moving progress bar would
    });
    timer.start(20);

    shown.window().showLogWindow();
    QLineEdit* field = shown.window().ipAddressEdit()->field(0);
    QTest::mouseClick(shown.window().button(ControlId::Search), Qt::LeftButton);
    ASSERT_TRUE(shown.window().isBusy());
    // The busy cursor over the window and everything in it, but not over the
    // log window, which stays readable.
    EXPECT_EQ(shown.window().cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(field->cursor().shape(), Qt::BusyCursor);
    EXPECT_NE(shown.window().logWindow()->cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const int paintsBefore = paints.paints;
    QTest::qWait(300);
    // Clicks, keys and close requests all bounce off while busy.
    QTest::mouseClick(shown.window().button(ControlId::BrowseFolder), Qt::LeftButton);
    QTest::keyClick(&shown.window(), Qt::Key_Escape);
    shown.window().close();
    EXPECT_TRUE(shown.window().isVisible());
    EXPECT_EQ(closed.count(), 0);

    ASSERT_TRUE(finished.wait(kOperationTimeoutMs));
    timer.stop();
    EXPECT_GE(busyTicks, 20);  // the event loop ran all through the search (over 1 s)
    EXPECT_GT(paints.paints, paintsBefore + 5);
    EXPECT_FALSE(shown.window().isBusy());
    EXPECT_EQ(shown.window().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(field->cursor().shape(), Qt::IBeamCursor);
    // The live log window also says why, below the log's own text.
    EXPECT_TRUE(shown.window().logWindow()->logText().startsWith(
        "QUELVAR is not found.\n\nadapter lo 127.0.0.1/8: "))
        << shown.window().logWindow()->logText().toStdString();
    EXPECT_TRUE(shown.window().logWindow()->logText().contains(
        "cause: no network adapter is up besides loopback"));
    shown.window().logWindow()->close();
    EXPECT_TRUE(shown.dialogs.folderRequests().empty());
    ASSERT_EQ(shown.dialogs.messages().size(), 1u);
    EXPECT_EQ(shown.dialogs.messages()[0].kind, MessageKind::ResultText);
    EXPECT_EQ(shown.dialogs.messages()[0].text, "not found.");
    EXPECT_EQ(shown.window().controlText(ControlId::ActivityLog), "QUELVAR is not found.\r\n");

    // Idle again: Esc ends the window.
    QTest::keyClick(&shown.window(), Qt::Key_Escape);
    EXPECT_EQ(closed.count(), 1);
}

TEST(Operations, FolderButtonChangesTheRecordFolderThroughTheChooser) {
    ShownWindow shown;
    ASSERT_TRUE(shown.ready);
    QTemporaryDir other;
    QFile(other.filePath("x.rec")).open(QIODevice::WriteOnly);
    shown.dialogs.setNextFolder(std::filesystem::path(other.path().toStdString()));
    QSignalSpy finished(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);

    QTest::mouseClick(shown.window().button(ControlId::BrowseFolder), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(kOperationTimeoutMs));

    ASSERT_EQ(shown.dialogs.folderRequests().size(), 1u);
    EXPECT_EQ(shown.dialogs.folderRequests()[0].title, "select folder");
    EXPECT_EQ(shown.dialogs.folderRequests()[0].current.string(),
              shown.folder.path().toStdString() + "/");
    EXPECT_EQ(shown.window().controlText(ControlId::RecordFolderLabel),
              other.path().toStdString() + "/");
    ASSERT_EQ(shown.list(ControlId::FileList)->count(), 1);
    EXPECT_EQ(shown.list(ControlId::FileList)->item(0)->text(), "x.rec");
}

}  // namespace
}  // namespace quelvar::testing
