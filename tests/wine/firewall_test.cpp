// The Windows Firewall findings of an empty search: their wording, the rule
// names they quote, and that reading them never breaks where the firewall's
// policy object is missing or incomplete (as under Wine).
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/firewall_win32.h"
#include "platform/network_adapters.h"
#include "platform/process.h"

namespace quelvar::platform {
namespace {

void expectSingleLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        EXPECT_FALSE(line.empty());
    }
}

TEST(FirewallFindings, NameEachProfileInUseThatIsOnAndWhatItBlocks) {
    std::vector<FirewallProfile> profiles(3);
    profiles[0].name = "domain";  // off: nothing to say
    profiles[1].name = "private";
    profiles[1].enabled = true;
    profiles[2].name = "public";
    profiles[2].enabled = true;
    profiles[2].blocksAllInbound = true;
    profiles[2].blocksRepliesToBroadcasts = true;

    EXPECT_EQ(
        describeFirewall(profiles, {}),
        (std::vector<std::string>{
            "Windows Firewall is on for the private network profile",
            "Windows Firewall is on for the public network profile",
            "Windows Firewall blocks all incoming connections on the public network profile",
            "Windows Firewall lets no replies to a broadcast in on the public network profile",
        }));
    EXPECT_TRUE(describeFirewall({}, {}).empty());
}

TEST(FirewallFindings, QuoteTheBlockingRuleOnOneLineWhateverItsName) {
    const std::vector<std::string> lines =
        describeFirewall({}, {{"QUELVARinit", true}, {"two\r\nlines\tand\x7f", false}});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "Windows Firewall rule \"QUELVARinit\" blocks incoming traffic of this program");
    EXPECT_EQ(lines[1],
              "Windows Firewall rule \"two  lines and \" blocks outgoing traffic of this program");
    expectSingleLines(lines);
}

TEST(FirewallRules, NameTheProgramInAnySpellingWindowsAccepts) {
    const std::filesystem::path program = L"C:\\Windows\\System32\\notepad.exe";
    EXPECT_TRUE(namesProgram(L"C:\\Windows\\System32\\notepad.exe", program));
    EXPECT_TRUE(namesProgram(L"c:\\WINDOWS\\system32\\NOTEPAD.EXE", program));
    EXPECT_TRUE(namesProgram(L"%SystemRoot%\\System32\\notepad.exe", program));
    EXPECT_TRUE(namesProgram(L"C:/Windows/System32/notepad.exe", program));

    EXPECT_FALSE(namesProgram(L"", program));  // a rule for every program
    EXPECT_FALSE(namesProgram(L"C:\\Windows\\System32\\notepad.exe.bak", program));
    EXPECT_FALSE(namesProgram(L"C:\\Windows\\notepad.exe", program));
}

// Wine's policy object answers some questions and not others; Windows'
// answers all of them. Either way the search's diagnosis gets whole lines.
TEST(FirewallState, IsReadWithoutFailingWhereverThisRuns) {
    const std::vector<std::string> first = visibleFirewallState();
    expectSingleLines(first);
    // COM is set up and torn down on each call: a second call finds the same.
    EXPECT_EQ(visibleFirewallState(), first);
    // ...also on a thread that already has COM as the window's thread has it.
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    EXPECT_EQ(visibleFirewallState(), first);
    ::CoUninitialize();
}

}  // namespace
}  // namespace quelvar::platform
