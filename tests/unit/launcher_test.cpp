#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/launcher_posix.h"

namespace quelvar::platform {
namespace {

struct FakeSystem {
    std::set<std::string> installed;
    std::optional<std::string> terminalVariable;
    std::vector<std::vector<std::string>> started;
    std::vector<std::vector<std::string>> commandFiles;

    PosixLauncher launcher() {
        return PosixLauncher(
            [this](const std::string& name) -> std::optional<std::string> {
                if (!installed.count(name)) return std::nullopt;
                return "/usr/bin/" + name;
            },
            [this](const std::vector<std::string>& argv) {
                started.push_back(argv);
                return true;
            },
            [this](const char* name) -> std::optional<std::string> {
                if (std::string(name) == "TERMINAL") return terminalVariable;
                return std::nullopt;
            },
            [this](const std::vector<std::string>& argv) -> std::optional<std::string> {
                commandFiles.push_back(argv);
                return "/run/user/1/quelvarinit-command-1";
            });
    }
};

TEST(PosixLauncher, TelnetRunsInTheDesktopsTerminalWithoutAShell) {
    FakeSystem system;
    system.installed = {"telnet", "x-terminal-emulator", "xterm"};
    auto launcher = system.launcher();
    EXPECT_EQ(launcher.startTelnet("127.0.0.2", 9999), StartResult::Started);
    ASSERT_EQ(system.started.size(), 1u);
    EXPECT_EQ(system.started[0], (std::vector<std::string>{"/usr/bin/x-terminal-emulator", "-e",
                                                           "/usr/bin/telnet", "127.0.0.2",
                                                           "9999"}));
}

TEST(PosixLauncher, FallsBackToTerminalVariableThenCommonTerminals) {
    FakeSystem system;
    system.installed = {"telnet", "alacritty", "xterm"};
    system.terminalVariable = "alacritty";
    EXPECT_EQ(system.launcher().telnetCommand("1.2.3.4", 9999)->front(), "/usr/bin/alacritty");
    system.terminalVariable.reset();
    EXPECT_EQ(system.launcher().telnetCommand("1.2.3.4", 9999)->front(), "/usr/bin/xterm");
}

TEST(PosixLauncher, EachKnownTerminalGetsItsOwnFormForTheWholeCommand) {
    const std::vector<std::string> client = {"/usr/bin/telnet", "1.2.3.4", "9999"};
    const std::pair<const char*, std::vector<std::string>> forms[] = {
        {"xterm", {"-e"}},          {"konsole", {"-e"}},       {"lxterminal", {"-e"}},
        {"xfce4-terminal", {"-x"}}, {"mate-terminal", {"-x"}}, {"terminator", {"-x"}},
        {"gnome-terminal", {"--"}}, {"kitty", {}},             {"wezterm", {"start", "--"}},
    };
    for (const auto& [terminal, prefix] : forms) {
        SCOPED_TRACE(terminal);
        FakeSystem system;
        system.installed = {"telnet", terminal};
        system.terminalVariable = terminal;
        std::vector<std::string> expected = {"/usr/bin/" + std::string(terminal)};
        expected.insert(expected.end(), prefix.begin(), prefix.end());
        expected.insert(expected.end(), client.begin(), client.end());
        EXPECT_EQ(*system.launcher().telnetCommand("1.2.3.4", 9999), expected);
        EXPECT_TRUE(system.commandFiles.empty());
    }
}

TEST(PosixLauncher, AnUnknownTerminalGetsTheCommandAsOneWord) {
    FakeSystem system;
    system.installed = {"telnet", "myterm"};
    system.terminalVariable = "myterm";
    EXPECT_EQ(*system.launcher().telnetCommand("1.2.3.4", 9999),
              (std::vector<std::string>{"/usr/bin/myterm", "-e",
                                        "/run/user/1/quelvarinit-command-1"}));
    EXPECT_EQ(system.commandFiles,
              (std::vector<std::vector<std::string>>{{"/usr/bin/telnet", "1.2.3.4", "9999"}}));
}

TEST(CommandFile, RunsTheCommandWithEveryArgumentWholeAndRemovesItself) {
    const std::string folder = ::testing::TempDir();
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    std::optional<std::string> file =
        WriteCommandFile({"/bin/echo", "two words", "it's", "$HOME;`x`"});
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->rfind(folder, 0), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(file->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);  // the user's alone

    // A terminal runs the one word as a program.
    std::FILE* output = ::popen(file->c_str(), "r");
    ASSERT_NE(output, nullptr);
    char line[128] = {};
    ASSERT_NE(std::fgets(line, sizeof line, output), nullptr);
    ::pclose(output);
    EXPECT_STREQ(line, "two words it's $HOME;`x`\n");
    EXPECT_NE(::access(file->c_str(), F_OK), 0);
}

TEST(PosixLauncher, NoTelnetOrNoTerminalIsNotFound) {
    FakeSystem system;
    system.installed = {"xterm"};
    EXPECT_EQ(system.launcher().startTelnet("1.2.3.4", 9999), StartResult::NotFound);
    system.installed = {"telnet"};
    EXPECT_EQ(system.launcher().startTelnet("1.2.3.4", 9999), StartResult::NotFound);
    EXPECT_TRUE(system.started.empty());
}

TEST(PosixLauncher, WebAddressGoesToTheDefaultHandler) {
    FakeSystem system;
    system.installed = {"xdg-open"};
    system.launcher().openUrl("http://127.0.0.2");
    ASSERT_EQ(system.started.size(), 1u);
    EXPECT_EQ(system.started[0], (std::vector<std::string>{"/usr/bin/xdg-open", "http://127.0.0.2"}));
}

}  // namespace
}  // namespace quelvar::platform
