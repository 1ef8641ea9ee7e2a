// A full download and a full upload of eight setup records against one
// simulated module, compared with the time the protocol's fixed waits and
// the module's own pauses make unavoidable. Runs inside a private network
// namespace (bench/transfer starts it there).
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/init_dlg.h"
#include "platform/launcher.h"
#include "sim/farm.h"
#include "sim/module.h"

namespace {

using namespace quelvar;
using namespace std::chrono_literals;
using platform::ControlId;

// Just enough of a window for the two transfers: lists, selections, texts and
// a save dialog that always answers with one path.
class TransferView : public platform::View {
  public:
    std::filesystem::path savePath;
    std::vector<std::string> boxes;

    int listCount(ControlId id) override { return static_cast<int>(lists[id].size()); }
    void listAdd(ControlId id, const std::string& line) override { lists[id].push_back(line); }
    void listDelete(ControlId id, int index) override {
        auto& list = lists[id];
        if (index >= 0 && index < static_cast<int>(list.size())) list.erase(list.begin() + index);
        selections[id] = -1;
    }
    int listSelection(ControlId id) override {
        auto it = selections.find(id);
        return it == selections.end() ? -1 : it->second;
    }
    void setListSelection(ControlId id, int index) override { selections[id] = index; }
    std::string listText(ControlId id, int index) override { return lists[id].at(index); }
    void enable(ControlId, bool) override {}
    void show(ControlId, bool) override {}
    platform::Ipv4Octets ipAddress() override { return {}; }
    void setIpAddress(const platform::Ipv4Octets&) override {}
    void clearIpAddress() override {}
    void setProgressRange(int, int) override {}
    void setProgress(int) override {}
    std::string text(ControlId id) override { return texts[id]; }
    void setText(ControlId id, const std::string& value) override { texts[id] = value; }
    void scrollLogToEnd() override {}
    platform::MessageAnswer messageBox(platform::MessageKind, const std::string& text) override {
        boxes.push_back(text);
        return platform::MessageAnswer::Ok;
    }
    std::optional<std::filesystem::path> saveFileDialog(
        const platform::SaveDialogRequest&) override {
        return savePath;
    }
    std::optional<std::filesystem::path> chooseFolder(const std::string&,
                                                      const std::filesystem::path&) override {
        return std::nullopt;
    }

  private:
    std::map<ControlId, std::vector<std::string>> lists;
    std::map<ControlId, int> selections;
    std::map<ControlId, std::string> texts;
};

class NoLauncher : public platform::Launcher {
  public:
    platform::StartResult startTelnet(const std::string&, int) override {
        return platform::StartResult::Started;
    }
    void openUrl(const std::string&) override {}
};

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Measure {
    double wall = 0, cpuProcess = 0, cpuThread = 0;
};

template <typename F>
Measure Run(F&& body) {
    const double process = CpuSeconds(RUSAGE_SELF);
    const double thread = CpuSeconds(RUSAGE_THREAD);
    const auto start = std::chrono::steady_clock::now();
    body();
    Measure m;
    m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpuProcess = CpuSeconds(RUSAGE_SELF) - process;
    m.cpuThread = CpuSeconds(RUSAGE_THREAD) - thread;
    return m;
}

void Report(const char* name, const Measure& m, double floor) {
    std::printf(
        "%-9s %7.3f s   floor %7.3f s   ratio %.4f (goal <= 1.03)   "
        "cpu %.3f s tool thread (%.2f%%), %.3f s with the simulator (%.2f%%) (goal < 2%%)\n",
        name, m.wall, floor, m.wall / floor, m.cpuThread, 100 * m.cpuThread / m.wall, m.cpuProcess,
        100 * m.cpuProcess / m.wall);
}

}  // namespace

int main() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "quelvar-bench-transfer";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    sim::ModuleConfig module = sim::DefaultModule(0);
    const double resetSilence = std::chrono::duration<double>(module.resetSilence).count();
    sim::Farm farm({module});
    if (farm.start() != 0) {
        std::fprintf(stderr, "the simulated module did not start (inside scripts/netns-run?)\n");
        return 1;
    }

    TransferView view;
    NoLauncher launcher;
    app::CInitDlg dlg(view, launcher, platform::Language::English, folder / "QUELVARinit");
    dlg.OnInitDialog();

    auto selectModule = [&] {
        dlg.OnSearch();
        view.setListSelection(ControlId::DeviceList, 0);
        dlg.UpdateControls();
    };

    // The fixed waits of one monitor-mode entry: the banner comes 0.1 s after
    // the greeting and the wait for it ends after a quiet second; the wait
    // for the prompt ends after another quiet second.
    const double entry = 0.1 + 1.0 + 1.0;

    // Download: 100 ms before and 100 ms after each of the eight records.
    selectModule();
    view.savePath = folder / "module.rec";
    Measure download = Run([&] { dlg.OnSaveSetupRecord(); });
    const double downloadFloor = entry + 8 * 0.2;

    // Upload of that file: per record 100 ms after the command, 10 ms after
    // each of its 4 lines, the module's 1.5 s from the end record to its reply
    // (the tool's 10 ms pause and its quiet second both lie inside it), 100 ms
    // after the reply; then 100 ms after the reset. The module stays silent for its
    // reset time, so the first status query after the reset times out (1 s)
    // and is followed by a 1 s pause before the one that is answered.
    selectModule();
    dlg.RefreshFileList(dlg.recordFolder());
    view.setListSelection(ControlId::FileList, 0);
    dlg.UpdateControls();
    Measure upload = Run([&] { dlg.OnLoadSetupRecord(); });
    const double perRecord = 0.1 + 4 * 0.01 + 1.5 + 0.1;
    const double pings = resetSilence < 2.0 ? 2.0 : 2.0 * std::ceil(resetSilence / 2.0);
    const double uploadFloor = entry + 8 * perRecord + 0.1 + pings;

    std::printf("transfer of 8 setup records (%zu-byte file) against one simulated module\n",
                static_cast<std::size_t>(std::filesystem::file_size(folder / "module.rec")));
    Report("download", download, downloadFloor);
    Report("upload", upload, uploadFloor);
    for (const std::string& box : view.boxes) {
        if (box != "done." && box.rfind("Apply the setup record", 0) != 0)
            std::printf("unexpected message: %s\n", box.c_str());
    }
    farm.stop();
    std::filesystem::remove_all(folder);
    return 0;
}
