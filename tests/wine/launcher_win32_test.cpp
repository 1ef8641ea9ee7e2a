#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/launcher_win32.h"

namespace quelvar::platform {
namespace {

// The shell as the launcher sees it: which files it "finds", and what it was
// asked to open.
struct FakeShell {
    std::vector<std::pair<std::string, std::intptr_t>> results;  // file -> ShellExecute result
    std::optional<std::string> windir = std::string("C:\\Windows");
    std::vector<std::pair<std::string, std::string>> opened;

    WindowsLauncher launcher() {
        return WindowsLauncher(
            [this](const std::string& file, const std::string& parameters) -> std::intptr_t {
                opened.emplace_back(file, parameters);
                for (const auto& [known, result] : results) {
                    if (known == file) return result;
                }
                return 2;  // ERROR_FILE_NOT_FOUND
            },
            [this](const char* name) -> std::optional<std::string> {
                if (std::string(name) == "WINDIR") return windir;
                return std::nullopt;
            });
    }
};

using Opened = std::vector<std::pair<std::string, std::string>>;

TEST(WindowsLauncher, TelnetByNameFirstThenTheSysnativeFallback) {
    FakeShell byName;
    byName.results = {{"telnet.exe", 42}};
    EXPECT_EQ(byName.launcher().startTelnet("127.0.0.2", 9999), StartResult::Started);
    EXPECT_EQ(byName.opened, (Opened{{"telnet.exe", "127.0.0.2 9999"}}));

    FakeShell fallback;
    fallback.results = {{"C:\\Windows\\Sysnative\\telnet.exe", 42}};
    EXPECT_EQ(fallback.launcher().startTelnet("10.1.2.3", 9999), StartResult::Started);
    EXPECT_EQ(fallback.opened, (Opened{{"telnet.exe", "10.1.2.3 9999"},
                                       {"C:\\Windows\\Sysnative\\telnet.exe", "10.1.2.3 9999"}}));
}

TEST(WindowsLauncher, NotFoundOnlyWhenBothPlacesSaySo) {
    FakeShell nowhere;
    EXPECT_EQ(nowhere.launcher().startTelnet("0.0.0.0", 9999), StartResult::NotFound);
    EXPECT_EQ(nowhere.opened.size(), 2u);

    // Without WINDIR the fallback is still tried, relative to the drive's root.
    FakeShell noWindir;
    noWindir.windir.reset();
    EXPECT_EQ(noWindir.launcher().startTelnet("0.0.0.0", 9999), StartResult::NotFound);
    ASSERT_EQ(noWindir.opened.size(), 2u);
    EXPECT_EQ(noWindir.opened[1].first, "\\Sysnative\\telnet.exe");

    // Any other failure by name ends the attempt: no fallback, not "not installed".
    FakeShell denied;
    denied.results = {{"telnet.exe", 5}};  // SE_ERR_ACCESSDENIED
    EXPECT_EQ(denied.launcher().startTelnet("127.0.0.2", 9999), StartResult::OtherFailure);
    EXPECT_EQ(denied.opened.size(), 1u);
}

TEST(WindowsLauncher, WebAddressGoesToTheShellWithoutParameters) {
    FakeShell shell;
    shell.launcher().openUrl("http://127.0.0.2");
    EXPECT_EQ(shell.opened, (Opened{{"http://127.0.0.2", ""}}));
}

TEST(WindowsLauncher, TheRealShellReportsAMissingProgramAsNotFound) {
    // Through ShellExecuteW itself: a program that exists nowhere.
    EXPECT_EQ(ShellOpen("quelvar-no-such-program-4711.exe", "x"), 2);
}

}  // namespace
}  // namespace quelvar::platform
