// The boxes and dialogs as they are configured, and the pre-answering seam.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ui/qt/dialogs.h"

namespace quelvar::ui::qt {
namespace {

using app::MessageAnswer;
using app::MessageKind;

TEST(Dialogs, ConfirmationHasOkAndCancelWithCancelAsDefault) {
    QMessageBox box;
    configureMessageBox(box, "QUELVARinit", MessageKind::Confirmation, "Go?\nReally?");
    EXPECT_EQ(box.windowTitle(), "QUELVARinit");
    EXPECT_EQ(box.text(), "Go?\nReally?");
    EXPECT_EQ(box.icon(), QMessageBox::Question);
    EXPECT_EQ(box.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Cancel));
    EXPECT_EQ(box.escapeButton(), box.button(QMessageBox::Cancel));

    QMessageBox warning;
    configureMessageBox(warning, "QUELVARinit", MessageKind::Warning, "w");
    EXPECT_EQ(warning.icon(), QMessageBox::Warning);
    EXPECT_EQ(warning.standardButtons(), QMessageBox::Ok);

    QMessageBox result;
    configureMessageBox(result, "QUELVARinit", MessageKind::ResultText, "done.");
    EXPECT_EQ(result.icon(), QMessageBox::NoIcon);
    EXPECT_EQ(result.standardButtons(), QMessageBox::Ok);
}

TEST(Dialogs, EscInARealConfirmationAnswersCancel) {
    int attempts = 0;
    QTimer pressEsc;
    QObject::connect(&pressEsc, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (++attempts > 200) {
            pressEsc.stop();  // never hang the test if no box appeared
        }
    });
    pressEsc.start(10);
    EXPECT_EQ(DesktopDialogs().message(nullptr, "QUELVARinit", MessageKind::Confirmation, "Go?"),
              MessageAnswer::Cancel);
    pressEsc.stop();
}


TEST(Dialogs, SaveDialogProposesTheNameInTheRecordFolderAndAsksBeforeReplacing) {
    QTemporaryDir folder;
    app::SaveDialogRequest request;
    request.defaultName = "02-00-5E-10-00-00 - 127.0.0.2 - AA - 6.0.rec";
    request.defaultExtension = "rec";
    request.filters = {{"Setup record files(*.rec)", "*.rec"}, {"All files (*.*)", "*.*"}};
    request.initialFolder = folder.path().toStdString() + "/";

    QFileDialog dialog;
    configureSaveDialog(dialog, request);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.defaultSuffix(), "rec");
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.nameFilters(),
              QStringList({"Setup record files(*.rec) (*.rec)", "All files (*.*) (*)"}));
    // The user reads the descriptions exactly as written, the first one in effect.
    EXPECT_EQ(dialog.selectedNameFilter(), "Setup record files(*.rec)");
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(1), "All files (*.*)");
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
    ASSERT_EQ(dialog.selectedFiles().size(), 1);
    EXPECT_TRUE(
        dialog.selectedFiles().front().endsWith(QString::fromStdString(request.defaultName)));
}

TEST(Dialogs, FolderChooserOpensOnTheCurrentFolderAndTakesOnlyFolders) {
    QTemporaryDir folder;
    QFileDialog dialog;
    configureFolderChooser(dialog, "select folder", folder.path().toStdString() + "/");
    EXPECT_EQ(dialog.windowTitle(), "select folder");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
}

}  // namespace
}  // namespace quelvar::ui::qt
