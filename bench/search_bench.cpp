// How the search copes with many modules answering at the same moment.
// Runs inside a private network namespace (bench/search starts it there).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "app/init_dlg.h"
#include "platform/launcher.h"
#include "sim/farm.h"
#include "sim/module.h"

namespace {

using namespace quelvar;

// Just enough of a window to count lines; everything else is ignored.
class CountingView : public platform::View {
public:
    int lines = 0;
    int listCount(platform::ControlId id) override {
        return id == platform::ControlId::DeviceList ? lines : 0;
    }
    void listAdd(platform::ControlId id, const std::string&) override {
        if (id == platform::ControlId::DeviceList) ++lines;
    }
    void listDelete(platform::ControlId id, int) override {
        if (id == platform::ControlId::DeviceList && lines > 0) --lines;
    }
    int listSelection(platform::ControlId) override { return -1; }
    void setListSelection(platform::ControlId, int) override {}
    std::string listText(platform::ControlId, int) override { return {}; }
    void enable(platform::ControlId, bool) override {}
    void show(platform::ControlId, bool) override {}
    platform::Ipv4Octets ipAddress() override { return {}; }
    void setIpAddress(const platform::Ipv4Octets&) override {}
    void clearIpAddress() override {}
    void setProgressRange(int, int) override {}
    void setProgress(int) override {}
    std::string text(platform::ControlId) override { return log; }
    void setText(platform::ControlId id, const std::string& value) override {
        if (id == platform::ControlId::ActivityLog) log = value;
    }
    void scrollLogToEnd() override {}
    platform::MessageAnswer messageBox(platform::MessageKind, const std::string&) override {
        return platform::MessageAnswer::Ok;
    }
    std::optional<std::filesystem::path> saveFileDialog(const platform::SaveDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> chooseFolder(const std::string&,
                                                      const std::filesystem::path&) override {
        return std::nullopt;
    }
    std::string log;
};

class NoLauncher : public platform::Launcher {
public:
    platform::StartResult startTelnet(const std::string&, int) override {
        return platform::StartResult::NotFound;
    }
    void openUrl(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    int modules = argc > 1 ? std::stoi(argv[1]) : 256;
    int runs = argc > 2 ? std::stoi(argv[2]) : 20;

    std::vector<sim::ModuleConfig> configs;
    for (int i = 0; i < modules; ++i) configs.push_back(sim::DefaultModule(i));
    sim::Farm farm(configs);
    farm.keepDatagrams(false);  // not inspected here; keeps the figures about the search
    if (int error = farm.start(); error != 0) {
        std::fprintf(stderr, "simulated modules did not start: error %d\n", error);
        return 1;
    }

    CountingView view;
    NoLauncher launcher;
    app::CInitDlg dlg(view, launcher, platform::Language::English,
                      std::filesystem::temp_directory_path() / "QUELVARinit");

    std::printf("search: %d modules answering at once, %d runs\n", modules, runs);
    std::printf("%4s %8s %12s\n", "run", "listed", "beyond_ms");
    int complete = 0;
    double worstBeyond = 0;
    for (int run = 1; run <= runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        dlg.OnSearch();
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        // Every module answers at once, so the last reply lands within the
        // first milliseconds; what is beyond the quiet second is an upper bound
        // of the search's own cost.
        double beyond = ms - 1000.0;
        worstBeyond = std::max(worstBeyond, beyond);
        if (view.lines == std::min(modules, 256)) ++complete;
        std::printf("%4d %8d %12.1f\n", run, view.lines, beyond);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("runs listing every module (goal: all %d): %d\n", runs, complete);
    std::printf("worst time beyond the final quiet second (goal: < 50 ms): %.1f ms\n", worstBeyond);
    std::printf("peak memory of this process (search + %d simulated modules): %ld KiB\n", modules,
                usage.ru_maxrss);
    return complete == runs ? 0 : 1;
}
