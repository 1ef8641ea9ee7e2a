// The Site window's presenter over a recording view, against simulated
// modules: what it shows before anything is sent, the one question, the
// lines as rows run and end, the stop rule, and the handover at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "app/site_dlg.h"
#include "discovery/datagrams.h"
#include "records/rec_file.h"
#include "site/commission_report.h"
#include "support/recording_launcher.h"
#include "support/recording_site_view.h"
#include "support/sim_fixture.h"
#include "support/temp_folder.h"

namespace quelvar::testing {
namespace {

using app::LineLook;
using app::MessageKind;
using app::SiteControl;

std::string MacText(const sim::ModuleConfig& module) { return discovery::FormatMac(module.mac); }

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void WriteRecordFile(const std::filesystem::path& path) {
    std::vector<records::Record> list;
    for (const auto& [number, data] : sim::DefaultRecords(0x44)) {
        list.push_back({static_cast<std::uint8_t>(number), data});
    }
    ASSERT_EQ(records::SaveFileReplacing(path, records::EncodeRecords(list)),
              records::SaveResult::Saved);
}

std::vector<LineLook> Looks(const std::vector<app::SiteLine>& lines) {
    std::vector<LineLook> looks;
    for (const app::SiteLine& line : lines) looks.push_back(line.look);
    return looks;
}

class SiteWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QUELVAR_REQUIRE_NETNS();
        dlg_.OnInitDialog();
    }
    // The task chosen, then its source typed.
    void fill(app::SiteTask task, const std::filesystem::path& source, int jobs = 0) {
        app::SiteForm form = view_.form();
        form.task = task;
        view_.setForm(form);
        dlg_.OnTaskChanged();
        form = view_.form();
        form.source = source.string();
        form.jobs = jobs;
        view_.setForm(form);
    }
    std::size_t boxesOf(MessageKind kind) const {
        std::size_t count = 0;
        for (const auto& box : view_.boxes()) count += box.kind == kind ? 1 : 0;
        return count;
    }

    TempFolder folder_{"site-window"};
    RecordingSiteView view_;
    RecordingLauncher launcher_;
    app::SiteDlg dlg_{view_, launcher_, platform::Language::English};
};

// A sheet with rows that cannot be used is shown with its good rows, every
// bad one named, and nothing is asked or sent.
TEST_F(SiteWindowTest, ASheetWithBadRowsNamesEachAndSendsNothing) {
    auto farm = StartFarm({sim::DefaultModule(0)});
    const std::filesystem::path sheet = folder_.path() / "rack.csv";
    WriteText(sheet, "mac,address,file\n" + MacText(farm->module(0)) +
                         ",127.0.1.10\nnot-a-mac,127.0.1.11\n02-00-00-99-99-99,127.0.1.10\n");
    fill(app::SiteTask::Commission, sheet);

    dlg_.OnStart();
    ASSERT_EQ(view_.boxes().size(), 1u) << "one warning, and no question";
    EXPECT_EQ(view_.boxes()[0].kind, MessageKind::Warning);
    EXPECT_NE(view_.boxes()[0].text.find("2 row(s) of"), std::string::npos)
        << view_.boxes()[0].text;
    EXPECT_NE(view_.notes().find("line 3"), std::string::npos) << view_.notes();
    EXPECT_NE(view_.notes().find("127.0.1.10"), std::string::npos) << "the address twice";
    EXPECT_EQ(view_.lines().size(), 2u) << "the rows that read are shown";
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 2}));
    EXPECT_TRUE(view_.enabled(SiteControl::Start));

    // A sheet typed into the field is read as soon as the field is left, as
    // one chosen with Browse.
    const std::filesystem::path typed = folder_.path() / "door.csv";
    WriteText(typed, MacText(farm->module(0)) + ",127.0.1.10\n");
    app::SiteForm form = view_.form();
    form.source = typed.string();
    view_.setForm(form);
    dlg_.OnSourceEdited();
    EXPECT_EQ(view_.lines().size(), 1u);
}

// A sheet asked about once, declined, then run: each line as its row ended,
// the summary, the report, and the handover page and sheet beside it, which
// Open gives to the desktop.
TEST_F(SiteWindowTest, ACommissionRunsOnOneAnswerAndHandsOver) {
    sim::ModuleConfig refusing = sim::DefaultModule(1);
    refusing.refuseRecord = 3;
    auto farm = StartFarm({sim::DefaultModule(0), refusing});
    WriteRecordFile(folder_.path() / "site.rec");
    const std::filesystem::path sheet = folder_.path() / "rack.csv";
    WriteText(sheet, MacText(farm->module(0)) + ",127.0.1.10,site.rec\n" + MacText(refusing) +
                         ",127.0.1.11,site.rec\n02-00-00-99-99-99,127.0.1.12\n");
    view_.chosen = sheet;
    dlg_.OnBrowse();  // the sheet is read and shown at once
    ASSERT_EQ(view_.lines().size(), 3u);
    const std::filesystem::path report = folder_.path() / "rack-report.json";
    EXPECT_EQ(view_.form().report, report.string()) << "a report beside the sheet unless told";
    EXPECT_EQ(view_.status(), "3 module(s) to work on; nothing has been sent yet.");

    view_.answerNext(app::MessageAnswer::Cancel);
    dlg_.OnStart();
    ASSERT_EQ(boxesOf(MessageKind::Confirmation), 1u);
    EXPECT_EQ(view_.boxes().back().text,
              "Commission 3 module(s) listed in " + sheet.string() + "?");
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 0, 2})) << "declined";
    EXPECT_FALSE(std::filesystem::exists(report));

    dlg_.OnStart();
    EXPECT_EQ(boxesOf(MessageKind::Confirmation), 2u) << "one question for the whole run";
    EXPECT_EQ(boxesOf(MessageKind::Warning), 0u);
    EXPECT_GT(view_.runningSeen(), 0) << "lines are shown running before they end";
    const std::vector<app::SiteLine> lines = view_.lines();
    EXPECT_EQ(Looks(lines), (std::vector{LineLook::Passed, LineLook::Failed, LineLook::Failed}));
    EXPECT_EQ(lines[0].before, "127.0.0.2");
    EXPECT_EQ(lines[0].after, "127.0.1.10");
    EXPECT_EQ(lines[0].progress, 100);
    EXPECT_EQ(lines[1].step, "write records");
    EXPECT_EQ(lines[2].reason, "not found");
    EXPECT_EQ(lines[2].after, "") << "a module not found answers at no planned address";
    EXPECT_EQ(view_.status(), "Done: 1 passed, 2 failed, 0 stopped, 0 not started.");
    EXPECT_EQ(farm->module(0).address, (platform::Ipv4Octets{127, 0, 1, 10}));

    EXPECT_TRUE(std::filesystem::exists(report));
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "rack-report.html"));
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "rack-report.csv"));
    EXPECT_NE(view_.notes().find("Report: " + report.string()), std::string::npos) << view_.notes();
    ASSERT_TRUE(view_.enabled(SiteControl::OpenPage));
    EXPECT_FALSE(view_.enabled(SiteControl::Stop));
    dlg_.OnOpenPage();
    dlg_.OnOpenSheet();
    ASSERT_EQ(launcher_.urls.size(), 2u);
    EXPECT_EQ(launcher_.urls[0], "file://" + (folder_.path() / "rack-report.html").string());
    EXPECT_EQ(launcher_.urls[1], "file://" + (folder_.path() / "rack-report.csv").string());
}

// Closing during a run asks once whether to stop; then the row writing its
// records finishes, no other starts, Stop asks nothing more, and the window
// may close when the run is over.
TEST_F(SiteWindowTest, StoppingAsksOnceAndLetsTheRowBeingWrittenFinish) {
    std::vector<sim::ModuleConfig> modules;
    for (int i = 0; i < 3; ++i) {
        modules.push_back(sim::DefaultModule(i));
        modules.back().echoPause = std::chrono::milliseconds(300);  // writing takes seconds
    }
    auto farm = StartFarm(modules);
    WriteRecordFile(folder_.path() / "site.rec");
    const std::filesystem::path sheet = folder_.path() / "rack.csv";
    std::string rows;
    for (int i = 0; i < 3; ++i) {
        rows += MacText(modules[i]) + ",127.0.1." + std::to_string(30 + i) + ",site.rec\n";
    }
    WriteText(sheet, rows);
    fill(app::SiteTask::Commission, sheet, 1);

    // The window's own thread closes it while the first module is written.
    std::atomic<bool> closing{false}, closed{true};
    std::thread window;
    view_.onUpdate = [&](const std::vector<app::SiteLine>& lines) {
        if (lines.empty() || lines[0].step != "write records" || closing.exchange(true)) return;
        window = std::thread([&] {
            EXPECT_TRUE(dlg_.running());
            closed = dlg_.OnClose();  // asks, as Stop does
            dlg_.OnStop();            // asked already: nothing more
        });
    };
    dlg_.OnStart();
    ASSERT_TRUE(closing);
    window.join();
    EXPECT_FALSE(closed) << "the window waits for the run";
    EXPECT_TRUE(dlg_.closeWhenDone());
    EXPECT_EQ(boxesOf(MessageKind::Confirmation), 2u) << "the run's question and one about stopping";
    EXPECT_NE(view_.boxes().back().text.find("half written"), std::string::npos);
    EXPECT_EQ(Looks(view_.lines()),
              (std::vector{LineLook::Passed, LineLook::Waiting, LineLook::Waiting}));
    EXPECT_EQ(view_.status(), "Stopped: 1 passed, 0 failed, 0 stopped, 2 not started.");
    EXPECT_NE(view_.notes().find("Stopping:"), std::string::npos) << view_.notes();
    EXPECT_EQ(farm->module(1).address, modules[1].address) << "never started";
    EXPECT_TRUE(dlg_.OnClose());
}

// The search requests module 0 has received so far.
std::size_t searchesAtModule0(const sim::Farm& farm) {
    const auto request = discovery::EncodeSearchRequest();
    std::size_t count = 0;
    for (const sim::ReceivedDatagram& datagram : farm.receivedDatagrams()) {
        count += datagram.module == 0 &&
                 std::equal(datagram.bytes.begin(), datagram.bytes.end(), request.begin(), request.end());
    }
    return count;
}

// A backup of the modules in an address range, and its restore, where a
// file changed since is shown failed before anything is sent.
TEST_F(SiteWindowTest, ABackupOfARangeIsRestoredToTheModulesItsFilesMatch) {
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), sim::DefaultModule(2)});
    const std::filesystem::path backup = folder_.path() / "site-backup";
    fill(app::SiteTask::Backup, backup);
    app::SiteForm form = view_.form();
    form.range = "127.0.0.2-127.0.0.3";
    view_.setForm(form);
    ASSERT_TRUE(dlg_.OnCheck());
    ASSERT_EQ(view_.lines().size(), 2u) << "the range, not the third module";
    EXPECT_FALSE(std::filesystem::exists(backup)) << "a check makes nothing";

    // Start searches once, as Check did: the run saves the modules its question counted.
    const std::size_t checked = searchesAtModule0(*farm);
    dlg_.OnStart();
    EXPECT_LE(searchesAtModule0(*farm) - checked, checked) << "a second search before the backup";
    EXPECT_EQ(view_.boxes().back().text,
              "Back up 2 module(s) into " + backup.string() + "?");
    EXPECT_EQ(Looks(view_.lines()), (std::vector{LineLook::Passed, LineLook::Passed}));
    ASSERT_TRUE(std::filesystem::exists(backup / "backup.json"));
    EXPECT_TRUE(std::filesystem::exists(backup / "backup.html"));
    const std::string tampered = view_.lines()[1].file;
    WriteText(backup / tampered, "changed since");

    fill(app::SiteTask::Restore, backup);
    ASSERT_TRUE(dlg_.OnCheck());
    std::vector<app::SiteLine> lines = view_.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].mac, MacText(farm->module(0)));
    EXPECT_EQ(lines[1].look, LineLook::Failed) << "before anything is sent";
    EXPECT_FALSE(lines[1].reason.empty());
    dlg_.OnStart();
    EXPECT_EQ(view_.boxes().back().text, "Restore 1 module(s) from " + backup.string() + "?");
    EXPECT_EQ(Looks(view_.lines()), (std::vector{LineLook::Passed, LineLook::Failed}));
    EXPECT_EQ(view_.status(), "Done: 1 passed, 1 failed, 0 stopped, 0 not started.");
}

// An audit of the modules a search finds: the reference's records as
// columns, each module's signs as soon as it is read, the modules worst
// first at the end, a module's bytes in the pane when its line is
// selected, and the report with its handover beside the reference.
TEST_F(SiteWindowTest, AnAuditShowsEachModulesRecordsAgainstTheReference) {
    std::vector<sim::ModuleConfig> modules{sim::DefaultModule(0), sim::DefaultModule(1),
                                           sim::DefaultModule(2)};
    for (sim::ModuleConfig& module : modules) module.records = sim::DefaultRecords(0x44);
    modules[1].records[3][10] ^= 0xFF;
    modules[2].records.erase(8);
    auto farm = StartFarm(modules);
    const std::filesystem::path reference = folder_.path() / "site.rec";
    WriteRecordFile(reference);
    fill(app::SiteTask::Audit, reference, 1);  // one after another: lines end apart
    view_.chosen = reference;
    dlg_.OnBrowse();
    EXPECT_EQ(view_.form().report, (folder_.path() / "site-audit.json").string());
    EXPECT_TRUE(view_.lines().empty()) << "the modules a search finds wait for Check";
    ASSERT_TRUE(dlg_.OnCheck());
    ASSERT_EQ(view_.lines().size(), 3u);
    EXPECT_EQ(view_.recordColumns(),
              (std::vector<std::string>{"0", "2", "3", "4", "5", "6", "7", "8"}));

    std::atomic<bool> signsBeforeTheEnd{false};
    view_.onUpdate = [&](const std::vector<app::SiteLine>& lines) {
        const bool signs = std::any_of(lines.begin(), lines.end(),
                                       [](const app::SiteLine& l) { return !l.records.empty(); });
        const bool waiting = std::any_of(lines.begin(), lines.end(),
                                         [](const app::SiteLine& l) { return l.result.empty(); });
        if (signs && waiting) signsBeforeTheEnd = true;
    };
    dlg_.OnStart();
    EXPECT_EQ(view_.boxes().back().text,
              "Read the setup records of 3 module(s) and compare them with " + reference.string() + "?");
    EXPECT_TRUE(signsBeforeTheEnd) << "a module's signs come as it is read";
    const std::vector<app::SiteLine> lines = view_.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].mac, MacText(modules[2])) << "worst first";
    EXPECT_EQ(lines[0].records.back(), "\xE2\x88\x92") << "record 8 missing";
    EXPECT_EQ(lines[1].mac, MacText(modules[1]));
    EXPECT_EQ(lines[1].records, (std::vector<std::string>{"=", "=", "\xE2\x89\xA0", "=", "=",
                                                          "=", "=", "="}));
    EXPECT_EQ(lines[1].result, "differs");
    EXPECT_EQ(lines[2].look, LineLook::Passed);
    EXPECT_EQ(view_.status(),
              "Compared: 3 module(s): 1 same, 1 differ, 1 lack records, 0 hold records beyond "
              "the reference, 0 could not be read, 0 not found");

    dlg_.OnLineSelected(1);
    EXPECT_NE(view_.audit().find("record 3, bytes 10: reference"), std::string::npos) << view_.audit();
    dlg_.OnLineSelected(std::nullopt);
    EXPECT_EQ(view_.audit().find("record 3, bytes 10"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "site-audit.html"));
    EXPECT_TRUE(view_.enabled(SiteControl::OpenPage));
}

// An audit of a backup folder sends nothing and asks nothing; a file changed
// since the backup could not be read, and where the other modules all
// differ from the reference shows as a pattern.
TEST_F(SiteWindowTest, AnAuditOfABackupSendsNothing) {
    auto farm = StartFarm({sim::DefaultModule(0), sim::DefaultModule(1), sim::DefaultModule(2),
                           sim::DefaultModule(3)});
    const std::filesystem::path backup = folder_.path() / "site-backup";
    fill(app::SiteTask::Backup, backup);
    dlg_.OnStart();
    const std::vector<app::SiteLine> saved = view_.lines();
    ASSERT_EQ(saved.size(), 4u);
    WriteText(backup / saved[1].file, "changed since");

    // The folder just backed up into is where the audit's modules come from.
    app::SiteForm form = view_.form();
    form.task = app::SiteTask::Audit;
    view_.setForm(form);
    dlg_.OnTaskChanged();
    form = view_.form();
    EXPECT_EQ(form.resume, backup.string());
    EXPECT_EQ(form.source, "") << "a folder is no reference";
    form.source = (backup / saved[0].file).string();
    view_.setForm(form);
    const std::size_t searched = searchesAtModule0(*farm);
    const std::size_t boxes = view_.boxes().size();
    dlg_.OnStart();
    EXPECT_EQ(view_.boxes().size(), boxes) << "no question: nothing is sent";
    EXPECT_EQ(searchesAtModule0(*farm), searched);
    const std::vector<app::SiteLine> lines = view_.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].mac, saved[1].mac);
    EXPECT_EQ(lines[0].result, "could not be read");
    EXPECT_EQ(lines[0].records.front(), "?");
    EXPECT_EQ(lines[3].mac, saved[0].mac) << "the reference's own module, the same";
    EXPECT_NE(view_.audit().find("--ignore"), std::string::npos) << view_.audit();
}

// What a Japanese technician reads of a run in Japanese (its lines, status,
// notes, questions and the page handed over), with every way a row can end,
// holds no English word: only MAC and IP addresses, file names, the
// system's own words and the protocol's terms are left as they are.
TEST_F(SiteWindowTest, AJapaneseRunSaysEveryResultInJapanese) {
    std::vector<sim::ModuleConfig> modules;
    for (int i = 0; i < 6; ++i) modules.push_back(sim::DefaultModule(i));
    modules[2].monitorPort = false;                           // the write meets a refusal
    modules[3].echoPause = std::chrono::milliseconds(100);    // stopped while its address changes
    auto farm = StartFarm(modules);
    WriteRecordFile(folder_.path() / "site.rec");
    const std::string passedBefore = "02-00-00-99-99-01";
    const std::string nowhere = "02-00-00-99-99-99";
    const std::filesystem::path sheet = folder_.path() / "rack.csv";
    WriteText(sheet, passedBefore + ",127.0.1.20\n" +                   // passed in an earlier run
                         MacText(modules[0]) + ",127.0.1.10\n" +         // passes
                         nowhere + ",127.0.1.11\n" +                     // found nowhere
                         MacText(modules[1]) + ",127.0.0.7\n" +          // module 5 holds it
                         MacText(modules[2]) + ",127.0.1.12,site.rec\n" +  // socket error
                         MacText(modules[3]) + ",127.0.1.13,site.rec\n" +  // stopped
                         MacText(modules[4]) + ",127.0.1.14\n");           // not started
    site::ReportRow earlier;
    earlier.line = 1;
    earlier.mac = *discovery::ParseMac(passedBefore);
    earlier.row.state = site::RowState::Passed;
    earlier.row.after = "127.0.1.20";
    const std::filesystem::path report = folder_.path() / "earlier.json";
    WriteText(report, site::ReportText("rack.csv", {earlier}));

    RecordingSiteView view;
    app::SiteDlg dlg{view, launcher_, platform::Language::Japanese};
    dlg.OnInitDialog();
    app::SiteForm form = view.form();
    form.source = sheet.string();
    form.resume = report.string();
    form.jobs = 1;
    view.setForm(form);
    dlg.OnTaskChanged();

    // Stop while the sixth row changes its address: it ends before its file, the last never starts.
    std::atomic<bool> stopping{false};
    std::thread stopper;
    view.onUpdate = [&](const std::vector<app::SiteLine>& lines) {
        if (lines.size() < 6 || lines[5].look != LineLook::Running || stopping.exchange(true)) return;
        stopper = std::thread([&] { dlg.OnStop(); });
    };
    dlg.OnStart();
    ASSERT_TRUE(stopping);
    stopper.join();

    const std::vector<app::SiteLine> lines = view.lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(Looks(lines), (std::vector{LineLook::Passed, LineLook::Passed, LineLook::Failed,
                                         LineLook::Failed, LineLook::Failed, LineLook::Stopped,
                                         LineLook::Waiting}));
    std::string shown = view.status() + "\n" + view.notes() + "\n";
    for (const auto& box : view.boxes()) shown += box.text + "\n";
    for (const app::SiteLine& line : lines) {
        shown += line.step + "|" + line.result + "|" + line.reason + "\n";
    }
    // The page handed over, as a browser shows it: its text without markup.
    const std::string page = ReadText(folder_.path() / "earlier.html");
    shown += std::regex_replace(
        std::regex_replace(page, std::regex("<head>[\\s\\S]*?</head>|<style>[\\s\\S]*?</style>"), ""),
        std::regex("<[^>]*>|&[a-z]+;"), " ");

    std::vector<std::string> kept{folder_.path().string(), "Connection refused", "site.rec",
                                  "rack.csv", "earlier.json", "earlier.html", "earlier.csv",
                                  "QUELVARinit"};
    for (const sim::ModuleConfig& module : modules) {  // what the modules call themselves
        kept.emplace_back(module.productLetters.begin(), module.productLetters.end());
    }
    std::string rest = shown;
    for (const std::string& word : kept) {
        for (std::size_t at; (at = rest.find(word)) != std::string::npos;) rest.replace(at, word.size(), " ");
    }
    rest = std::regex_replace(rest, std::regex("[0-9A-F]{2}(-[0-9A-F]{2}){5}|[0-9a-f]{12,}"), " ");
    rest = std::regex_replace(rest, std::regex("setup ?record|IP-SETUP|IP|PC|MAC|CSV|UTC|SHA-256"), " ");
    std::smatch english;
    EXPECT_FALSE(std::regex_search(rest, english, std::regex("[A-Za-z]+")))
        << "English left: \"" << english.str() << "\" in\n" << shown;
    EXPECT_EQ(farm->module(4).address, modules[4].address) << "never started";
}

}  // namespace
}  // namespace quelvar::testing
