#include <gtest/gtest.h>

#include <set>

#include "platform/launcher_posix.h"

namespace quelvar::platform {
namespace {

struct FakeSystem {
    std::set<std::string> installed;
    std::optional<std::string> terminalVariable;
    std::vector<std::vector<std::string>> started;

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
    system.installed = {"telnet", "myterm", "xterm"};
    system.terminalVariable = "myterm";
    EXPECT_EQ(system.launcher().telnetCommand("1.2.3.4", 9999)->front(), "/usr/bin/myterm");
    system.terminalVariable.reset();
    EXPECT_EQ(system.launcher().telnetCommand("1.2.3.4", 9999)->front(), "/usr/bin/xterm");
    system.installed = {"telnet", "gnome-terminal"};
    EXPECT_EQ((*system.launcher().telnetCommand("1.2.3.4", 9999))[1], "--");
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
