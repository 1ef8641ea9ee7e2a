#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <thread>
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

    // A 64-bit program has no Sysnative folder: the shell says the path is
    // not there, which is "not installed" all the same.
    FakeShell noSysnative;
    noSysnative.results = {{"C:\\Windows\\Sysnative\\telnet.exe", 3}};  // ERROR_PATH_NOT_FOUND
    EXPECT_EQ(noSysnative.launcher().startTelnet("127.0.0.2", 9999), StartResult::NotFound);
    EXPECT_EQ(noSysnative.opened.size(), 2u);

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

// The apartment of the calling thread, as CoGetApartmentType reports it.
struct Apartment {
    HRESULT status = E_FAIL;
    APTTYPE type = APTTYPE_CURRENT;
};

Apartment currentApartment() {
    Apartment apartment;
    APTTYPEQUALIFIER qualifier{};
    apartment.status = ::CoGetApartmentType(&apartment.type, &qualifier);
    return apartment;
}

TEST(WindowsLauncher, TheShellIsCalledInsideACOMApartmentOnAnyThread) {
    // As the window's worker thread calls it: a thread without COM. The shell
    // sees a single-threaded apartment, and the thread has none afterwards.
    std::vector<Apartment> seen;
    Apartment after;
    std::thread worker([&] {
        WindowsLauncher launcher(
            [&](const std::string&, const std::string&) -> std::intptr_t {
                seen.push_back(currentApartment());
                return 2;
            },
            [](const char*) -> std::optional<std::string> { return std::nullopt; });
        launcher.startTelnet("127.0.0.2", 9999);
        launcher.openUrl("http://127.0.0.2");
        after = currentApartment();
    });
    worker.join();
    ASSERT_EQ(seen.size(), 3u);
    for (const Apartment& apartment : seen) {
        EXPECT_EQ(apartment.status, S_OK);
        // The first single-threaded apartment of a process is its main one.
        EXPECT_TRUE(apartment.type == APTTYPE_STA || apartment.type == APTTYPE_MAINSTA)
            << apartment.type;
    }
    EXPECT_EQ(after.status, CO_E_NOTINITIALIZED);

    // A thread with a multi-threaded apartment keeps it, and the shell is still called.
    int calls = 0;
    std::thread multiThreaded([&] {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        WindowsLauncher launcher(
            [&](const std::string&, const std::string&) -> std::intptr_t {
                ++calls;
                return 42;
            },
            [](const char*) -> std::optional<std::string> { return std::nullopt; });
        launcher.openUrl("http://127.0.0.2");
        after = currentApartment();
        ::CoUninitialize();
    });
    multiThreaded.join();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(after.status, S_OK);
    EXPECT_EQ(after.type, APTTYPE_MTA);
}

TEST(WindowsLauncher, TheRealShellReportsAMissingProgramAsNotFound) {
    // Through ShellExecuteW itself: a program that exists nowhere.
    EXPECT_EQ(ShellOpen("quelvar-no-such-program-4711.exe", "x"), 2);
}

}  // namespace
}  // namespace quelvar::platform
