#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "gui/scripted_dialogs.h"
#include "support/recording_launcher.h"
#include "ui/qt/site_dialog.h"

namespace quelvar::testing {

// A check reads a sheet or searches once; a run of a few modules sets their
// addresses one status query after another.
constexpr int kCheckTimeoutMs = 15000;
constexpr int kRunTimeoutMs = 60000;

// The Site window with its presenter, initialised and shown as the program
// shows it, with a fresh folder for sheets and reports.
struct ShownSiteWindow {
    explicit ShownSiteWindow(platform::Language language = platform::Language::English) {
        dialog = std::make_unique<ui::qt::SiteDialog>(language, launcher, dialogs);
        dialog->initialize();
        window().show();
        window().activateWindow();
        ready = QTest::qWaitForWindowActive(&window());
    }

    ui::qt::SiteWindow& window() { return dialog->window(); }

    // A file in the folder; its path.
    QString writeFile(const QString& name, const std::string& text) {
        const QString path = folder.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text.data(), static_cast<qint64>(text.size()));
        return path;
    }

    QTemporaryDir folder;
    RecordingLauncher launcher;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::qt::SiteDialog> dialog;
    bool ready = false;
};

// Replaces a field's text by typing, as the user does.
inline void typeInto(QLineEdit* field, const QString& text) {
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

// Waits, with the event loop running, until this many handlers have ended.
inline bool WaitForHandlers(QSignalSpy& finished, qsizetype count, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (finished.count() < count && timer.elapsed() < timeoutMs) QTest::qWait(20);
    return finished.count() >= count;
}

}  // namespace quelvar::testing
