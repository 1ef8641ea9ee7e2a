// The window while a search runs: does its event loop keep turning, and how
// much memory does it take at rest? Runs on the offscreen platform inside a
// private network namespace (bench/search starts it there).
#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sim/farm.h"
#include "sim/module.h"
#include "ui/qt/main_dialog.h"

namespace {

using namespace quelvar;

class NoLauncher : public platform::Launcher {
public:
    platform::StartResult startTelnet(const std::string&, int) override {
        return platform::StartResult::NotFound;
    }
    void openUrl(const std::string&) override {}
};

// Peak resident memory of this process so far (VmHWM), in KiB.
long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    int modules = argc > 1 ? std::stoi(argv[1]) : 256;
    QApplication application(argc, argv);
    QTemporaryDir folder;
    NoLauncher launcher;
    ui::qt::MainDialog dialog(platform::Language::English, QStringLiteral("QUELVARinit"), launcher,
                              std::filesystem::path(folder.path().toStdString()) / "QUELVARinit");
    dialog.initialize();
    dialog.window().show();
    // Let the window settle, then read its memory at rest.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) application.processEvents(QEventLoop::AllEvents, 50);
    long restKiB = peakKiB();

    std::vector<sim::ModuleConfig> configs;
    for (int i = 0; i < modules; ++i) configs.push_back(sim::DefaultModule(i));
    sim::Farm farm(configs);
    farm.keepDatagrams(false);  // not inspected here; keeps the figures about the search
    if (farm.start() != 0) {
        std::fprintf(stderr, "simulated modules did not start\n");
        return 1;
    }

    // A 10 ms timer: how late each tick comes is how long the loop was held up.
    std::vector<double> lateness;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        qint64 now = clock.nsecsElapsed();
        lateness.push_back(std::max(0.0, static_cast<double>(now - last) / 1e6 - 10.0));
        last = now;
    });

    bool finished = false;
    QObject::connect(&dialog, &ui::qt::MainDialog::operationFinished, [&] { finished = true; });
    ticker.start(10);
    last = clock.nsecsElapsed();
    dialog.window().button(app::ControlId::Search)->click();
    QElapsedTimer limit;
    limit.start();
    while (!finished && limit.elapsed() < 20000) application.processEvents(QEventLoop::WaitForMoreEvents, 50);
    ticker.stop();

    std::sort(lateness.begin(), lateness.end());
    double worst = lateness.empty() ? 0 : lateness.back();
    double p99 = lateness.empty() ? 0 : lateness[lateness.size() * 99 / 100];
    int listed = dialog.window().list(app::ControlId::DeviceList)->count();
    std::printf("window: peak memory at rest: %ld KiB\n", restKiB);
    std::printf("window: search over %d modules listed %d lines, %zu timer ticks\n", modules,
                listed, lateness.size());
    std::printf("window: event-loop latency during the search (goal: < 50 ms): worst %.1f ms, "
                "p99 %.1f ms\n",
                worst, p99);
    return finished ? 0 : 1;
}
