#pragma once

// Windows Firewall as far as a search that found nothing needs it, read
// without administrator rights through its COM policy object (INetFwPolicy2).
// visibleFirewallState() (network_adapters.h) gathers these facts and turns
// them into lines with describeFirewall().

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quelvar::platform {

// One network profile (domain, private, public) that an adapter is in now.
struct FirewallProfile {
    std::string name;  // "domain", "private", "public"
    bool enabled = false;
    bool blocksAllInbound = false;           // "Block all incoming connections"
    bool blocksRepliesToBroadcasts = false;  // unicast replies to a broadcast are not let in
};

// An enabled rule that blocks this program in a profile in use.
struct FirewallBlockingRule {
    std::string name;  // as the firewall shows it
    bool inbound = true;
};

// One finding per line, without line breaks, in the words of the other
// platforms' findings ("Windows Firewall is on for the public network
// profile"). Rule names are the user's: any control character in one
// becomes a space.
std::vector<std::string> describeFirewall(const std::vector<FirewallProfile>& profiles,
                                          const std::vector<FirewallBlockingRule>& rules);

// Whether a rule's application name, which may hold environment variables
// ("%ProgramFiles%\..."), short names or another case, names `program`.
bool namesProgram(std::wstring_view applicationName, const std::filesystem::path& program);

}  // namespace quelvar::platform
