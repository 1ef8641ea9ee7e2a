// The three operations that change a module or a setup record file, driven
// through the real widgets against simulated modules: giving a module a new
// address, saving its setup records to a file, and writing a file's records
// into another module.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include "gui_support.h"
#include "sim/module.h"
#include "support/sim_fixture.h"
#include "ui/qt/ip_address_edit.h"

namespace quelvar::testing {
namespace {

using app::ControlId;
using app::MessageAnswer;
using app::MessageKind;

constexpr int kSearchTimeoutMs = 15000;
// A set-address run waits up to ten status queries at the new address.
constexpr int kSetIpTimeoutMs = 15000;
constexpr int kSaveTimeoutMs = 15000;
// Eight records, each ending with a quiet second before its echo is seen.
constexpr int kLoadTimeoutMs = 40000;

// Header, record 0 with its number byte, records 2 to 8 with theirs.
constexpr qint64 kFullRecordFileSize = 5 + 121 + 7 * 127;

// Waits, with the event loop running, until the operations started so far
// have all ended, or until the time runs out.
bool waitForOperations(QSignalSpy& finished, qsizetype count, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (finished.count() < count && timer.elapsed() < timeoutMs) QTest::qWait(20);
    return finished.count() >= count;
}

void click(ShownWindow& shown, ControlId id) {
    QTest::mouseClick(shown.window().button(id), Qt::LeftButton);
}

// The row of the device list that shows a module at this address, or -1.
int rowShowing(ShownWindow& shown, const QString& address) {
    QListWidget* devices = shown.list(ControlId::DeviceList);
    for (int i = 0; i < devices->count(); ++i) {
        if (devices->item(i)->text().contains(" - " + address + " - ")) return i;
    }
    return -1;
}

int rowNamed(ShownWindow& shown, const QString& name) {
    QListWidget* files = shown.list(ControlId::FileList);
    for (int i = 0; i < files->count(); ++i) {
        if (files->item(i)->text() == name) return i;
    }
    return -1;
}

std::vector<char> fileBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The image a full download of these records gives: the header, then each
// record's number byte and data in ascending number order.
std::vector<char> recordFileImage(const std::map<int, sim::Bytes>& records) {
    std::vector<char> image{0x04, 'R', 'E', 'C', 'F'};
    for (const auto& [number, data] : records) {
        image.push_back(static_cast<char>(number));
        image.insert(image.end(), data.begin(), data.end());
    }
    return image;
}

// Saves the setup records of the module shown at this address into the
// record folder as `name`, answering the save dialog and the closing box.
void saveRecordsOf(ShownWindow& shown, QSignalSpy& finished, const QString& address,
                   const QString& name) {
    click(shown, ControlId::Search);
    ASSERT_TRUE(waitForOperations(finished, finished.count() + 1, kSearchTimeoutMs));
    const int row = rowShowing(shown, address);
    ASSERT_GE(row, 0) << address.toStdString();
    shown.clickLine(ControlId::DeviceList, row);
    ASSERT_TRUE(shown.control(ControlId::SaveSetupRecord)->isEnabled());

    shown.dialogs.setNextSaveFile(
        std::filesystem::path(shown.folder.filePath(name).toStdString()));
    shown.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // "done."
    click(shown, ControlId::SaveSetupRecord);
    ASSERT_TRUE(waitForOperations(finished, finished.count() + 1, kSaveTimeoutMs));
}

TEST(ModuleOperations, SetIpAddressGivesTheTypedAddressAndTheNextSearchFindsItThere) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    ShownWindow shown;
    ASSERT_TRUE(shown.ready);
    QSignalSpy finished(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);

    click(shown, ControlId::Search);
    ASSERT_TRUE(waitForOperations(finished, 1, kSearchTimeoutMs));
    ASSERT_EQ(shown.list(ControlId::DeviceList)->count(), 1);
    shown.clickLine(ControlId::DeviceList, 0);
    ui::qt::IpAddressEdit* edit = shown.window().ipAddressEdit();
    ASSERT_TRUE(edit->isEnabled());
    ASSERT_EQ(edit->octets(), (ui::qt::IpAddressEdit::Octets{127, 0, 0, 2}));

    // The user clicks into the first number, selects it and types the whole
    // address; every "." or third digit hands the typing to the next number.
    QTest::mouseClick(edit->field(0), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), edit->field(0));
    QTest::keyClick(edit->field(0), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(nullptr, QStringLiteral("127.0.0.77"));
    ASSERT_EQ(edit->octets(), (ui::qt::IpAddressEdit::Octets{127, 0, 0, 77}));

    shown.dialogs.reset();
    shown.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // the question
    shown.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // "done."
    click(shown, ControlId::SetIpAddress);
    ASSERT_TRUE(waitForOperations(finished, 2, kSetIpTimeoutMs));

    const auto& messages = shown.dialogs.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages[0].text, "Assign the IP address to the device.\nDo you confirm?");
    EXPECT_EQ(messages[1].kind, MessageKind::ResultText);
    EXPECT_EQ(messages[1].text, "done.");
    EXPECT_EQ(shown.window().controlText(ControlId::ActivityLog),
              "Set IP address:start.\r\nSet IP...success.\r\nping:success:\r\n"
              "\r\nSet IP address:end.\r\n");
    EXPECT_EQ(shown.list(ControlId::DeviceList)->count(), 0);
    EXPECT_TRUE(edit->isBlank());
    EXPECT_FALSE(shown.control(ControlId::SetIpAddress)->isEnabled());
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 77}));

    // Only a new search shows the module under its new address.
    click(shown, ControlId::Search);
    ASSERT_TRUE(waitForOperations(finished, 3, kSearchTimeoutMs));
    ASSERT_EQ(shown.list(ControlId::DeviceList)->count(), 1);
    EXPECT_EQ(rowShowing(shown, "127.0.0.77"), 0)
        << shown.list(ControlId::DeviceList)->item(0)->text().toStdString();
}

TEST(ModuleOperations, SaveWritesEveryRecordOfTheSelectedModuleIntoTheChosenFile) {
    QUELVAR_REQUIRE_NETNS();
    auto farm = StartFarm({sim::DefaultModule(0)});
    ShownWindow shown;
    ASSERT_TRUE(shown.ready);
    QSignalSpy finished(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);

    click(shown, ControlId::Search);
    ASSERT_TRUE(waitForOperations(finished, 1, kSearchTimeoutMs));
    ASSERT_EQ(shown.list(ControlId::DeviceList)->count(), 1);
    shown.clickLine(ControlId::DeviceList, 0);
    const std::string line = shown.list(ControlId::DeviceList)->item(0)->text().toStdString();

    const QString path = shown.folder.filePath("module0.rec");
    shown.dialogs.reset();
    shown.dialogs.setNextSaveFile(std::filesystem::path(path.toStdString()));
    shown.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // "done."
    click(shown, ControlId::SaveSetupRecord);
    ASSERT_TRUE(waitForOperations(finished, 2, kSaveTimeoutMs));

    // The dialog proposed the line's text as the name, in the record folder.
    ASSERT_EQ(shown.dialogs.saveRequests().size(), 1u);
    const app::SaveDialogRequest& request = shown.dialogs.saveRequests()[0];
    EXPECT_EQ(request.defaultName, line + ".rec");
    EXPECT_EQ(request.defaultExtension, "rec");
    EXPECT_EQ(request.initialFolder.string(), shown.folder.path().toStdString() + "/");
    ASSERT_EQ(shown.dialogs.messages().size(), 1u);
    EXPECT_EQ(shown.dialogs.messages()[0].kind, MessageKind::ResultText);
    EXPECT_EQ(shown.dialogs.messages()[0].text, "done.");

    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), kFullRecordFileSize);
    const std::vector<char> bytes = fileBytes(path);
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(std::vector<char>(bytes.begin(), bytes.begin() + 5),
              (std::vector<char>{0x04, 'R', 'E', 'C', 'F'}));
    EXPECT_EQ(bytes, recordFileImage(farm->module(0).records));

    EXPECT_GE(rowNamed(shown, "module0.rec"), 0);
    EXPECT_EQ(shown.list(ControlId::DeviceList)->count(), 0);
    EXPECT_FALSE(shown.control(ControlId::SaveSetupRecord)->isEnabled());
    EXPECT_TRUE(shown.window()
                    .controlText(ControlId::ActivityLog)
                    .ends_with("save setuprecord...\r\nsuccess.\r\n"));
}

TEST(ModuleOperations, LoadWritesTheRecordsSavedFromOneModuleIntoAnother) {
    QUELVAR_REQUIRE_NETNS();
    sim::ModuleConfig target = sim::DefaultModule(1);
    // Back quickly after its reset, so the check that follows answers soon.
    target.resetSilence = std::chrono::milliseconds(200);
    auto farm = StartFarm({sim::DefaultModule(0), target});
    ASSERT_NE(farm->module(1).records, farm->module(0).records);
    ShownWindow shown;
    ASSERT_TRUE(shown.ready);
    QSignalSpy finished(shown.dialog.get(), &ui::qt::MainDialog::operationFinished);

    saveRecordsOf(shown, finished, "127.0.0.2", "from0.rec");
    ASSERT_EQ(QFileInfo(shown.folder.filePath("from0.rec")).size(), kFullRecordFileSize);

    click(shown, ControlId::Search);
    ASSERT_TRUE(waitForOperations(finished, finished.count() + 1, kSearchTimeoutMs));
    const int device = rowShowing(shown, "127.0.0.3");
    ASSERT_GE(device, 0);
    shown.clickLine(ControlId::DeviceList, device);
    const int file = rowNamed(shown, "from0.rec");
    ASSERT_GE(file, 0);
    shown.clickLine(ControlId::FileList, file);
    ASSERT_TRUE(shown.control(ControlId::LoadSetupRecord)->isEnabled());

    shown.dialogs.reset();
    shown.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // the question
    shown.dialogs.setNextMessageAnswer(MessageAnswer::Ok);  // "done."
    const qsizetype before = finished.count();
    click(shown, ControlId::LoadSetupRecord);
    ASSERT_TRUE(waitForOperations(finished, before + 1, kLoadTimeoutMs));

    const auto& messages = shown.dialogs.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages[0].text, "Apply the setup record to the device.\nDo you confirm?");
    EXPECT_EQ(messages[1].kind, MessageKind::ResultText);
    EXPECT_EQ(messages[1].text, "done.");

    EXPECT_EQ(farm->module(1).records, farm->module(0).records);
    EXPECT_EQ(farm->resets(1), 1);
    EXPECT_EQ(farm->resets(0), 0);
    EXPECT_EQ(shown.list(ControlId::DeviceList)->count(), 0);
    EXPECT_FALSE(shown.control(ControlId::LoadSetupRecord)->isEnabled());
    const std::string log = shown.window().controlText(ControlId::ActivityLog);
    EXPECT_EQ(log.rfind("Initialize:start.\r\n", 0), 0u) << log;
    EXPECT_TRUE(log.ends_with("Initialize:success:\r\nping:success:\r\n\r\nInitialize:end.\r\n"))
        << log;
}

}  // namespace
}  // namespace quelvar::testing
