// The Site window while a backup of many modules runs, one worker per
// module: does its event loop keep turning while every line changes about
// ten times a second? Runs on the offscreen platform inside a private network
// namespace, against quelvar-sim (bench/site-window starts both there).
#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/qt/site_dialog.h"

namespace {

using namespace quelvar;

class NoLauncher : public platform::Launcher {
  public:
    platform::StartResult startTelnet(const std::string&, int) override {
        return platform::StartResult::NotFound;
    }
    void openUrl(const std::string&) override {}
};

// Every question answered yes, as a technician who starts the run would.
class YesDialogs : public ui::qt::Dialogs {
  public:
    app::MessageAnswer message(QWidget*, const QString&, app::MessageKind,
                               const std::string&) override {
        return app::MessageAnswer::Ok;
    }
};

// Waits, turning the loop, until `done` or the limit.
void waitFor(QApplication& application, const bool& done, int limitMs) {
    QElapsedTimer limit;
    limit.start();
    while (!done && limit.elapsed() < limitMs) {
        application.processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int expected = argc > 1 ? std::stoi(argv[1]) : 1000;
    QApplication application(argc, argv);
    QTemporaryDir folder;
    NoLauncher launcher;
    YesDialogs dialogs;
    ui::qt::SiteDialog dialog(platform::Language::English, launcher, dialogs);
    dialog.initialize();
    dialog.window().resize(1200, 800);
    dialog.window().show();

    bool ended = false;
    QObject::connect(&dialog, &ui::qt::SiteDialog::handlerFinished, [&] { ended = true; });
    dialog.window().taskButton(app::SiteTask::Backup)->click();
    waitFor(application, ended, 5000);
    dialog.window().sourceEdit()->setText(folder.filePath(QStringLiteral("site")));
    dialog.window().jobsBox()->setValue(0);

    // A 10 ms timer: how late each tick comes is how long the loop was held up.
    std::vector<double> lateness;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        lateness.push_back(std::max(0.0, static_cast<double>(now - last) / 1e6 - 10.0));
        last = now;
    });
    ended = false;
    ticker.start(10);
    last = clock.nsecsElapsed();
    QElapsedTimer run;
    run.start();
    dialog.window().button(app::SiteWord::Start)->click();
    waitFor(application, ended, 600000);
    const double seconds = static_cast<double>(run.elapsed()) / 1000.0;
    ticker.stop();

    const QAbstractItemModel* model = dialog.window().table()->model();
    int passed = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const int result = static_cast<int>(app::SiteWord::ColumnResult) -
                           static_cast<int>(app::SiteWord::ColumnMac);
        passed += model->index(row, result).data().toString() == QStringLiteral("passed") ? 1 : 0;
    }
    std::sort(lateness.begin(), lateness.end());
    const double worst = lateness.empty() ? 0 : lateness.back();
    const double p99 = lateness.empty() ? 0 : lateness[lateness.size() * 99 / 100];
    std::printf("site window: backup of %d modules (expected %d), %d passed, in %.1f s, %zu ticks\n",
                model->rowCount(), expected, passed, seconds, lateness.size());
    std::printf("site window: event-loop latency while the run goes (goal: < 50 ms): worst %.1f ms, "
                "p99 %.1f ms\n",
                worst, p99);
    return ended && passed == expected ? 0 : 1;
}
