#pragma once

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "support/recording_launcher.h"
#include "gui/scripted_dialogs.h"
#include "ui/qt/main_dialog.h"

namespace quelvar::testing {

// A main window with its presenter over a fresh folder that plays the
// executable's folder, initialised and shown as the program shows it.
struct ShownWindow {
    explicit ShownWindow(platform::Language language = platform::Language::English,
                         std::initializer_list<const char*> files = {}) {
        for (const char* name : files) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            file.open(QIODevice::WriteOnly);
        }
        const std::filesystem::path executable =
            std::filesystem::path(folder.path().toStdString()) / "QUELVARinit";
        dialog = std::make_unique<ui::qt::MainDialog>(language, QStringLiteral("QUELVARinit"),
                                                      launcher, executable, dialogs);
        dialog->initialize();
        window().show();
        window().activateWindow();
        ready = QTest::qWaitForWindowActive(&window());
    }

    ui::qt::MainWindow& window() { return dialog->window(); }
    QListWidget* list(app::ControlId id) { return window().list(id); }
    QWidget* control(app::ControlId id) { return window().control(id); }

    // Clicks a line of a list as the user does.
    void clickLine(app::ControlId id, int row) {
        QListWidget* widget = list(id);
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, {},
                          widget->visualItemRect(widget->item(row)).center());
    }

    QTemporaryDir folder;
    RecordingLauncher launcher;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::qt::MainDialog> dialog;
    bool ready = false;
};

}  // namespace quelvar::testing
