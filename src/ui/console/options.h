#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/language.h"
#include "platform/ipv4.h"
#include "site/audit.h"
#include "site/device_selector.h"

namespace quelvar::ui::console {

using discovery::FormatMac;
using discovery::MacAddress;
using platform::formatIpv4;
using site::DeviceSelector;
using site::FindDevice;
using site::ParseDeviceSelector;

enum class Command {
    Search,
    Ping,
    SetIp,
    Save,
    Load,
    Telnet,
    Web,
    Commission,
    Backup,
    Restore,
    Report,
    Dump,
    Diff,
    Audit
};

// One command line, checked: every address and MAC address already parsed.
struct Options {
    Command command = Command::Search;

    // Operands, as the command takes them.
    std::optional<DeviceSelector> device;         // set-ip, save, load, telnet, web
    std::vector<DeviceSelector> devices;          // backup, audit: the modules named, if any
    std::optional<platform::Ipv4Octets> address;  // ping ADDRESS, set-ip NEW_ADDRESS
    std::string file;                             // load FILE, commission SHEET, backup/restore DIR,
                                                  // dump FILE, audit REFERENCE
    std::vector<std::string> files;               // report: the reports and manifests; diff: A, B

    // Command options.
    bool json = false;
    std::optional<platform::Ipv4Octets> broadcast;
    std::vector<platform::Ipv4Octets> range;  // every command that searches: ask these addresses
    std::optional<std::string> interface;  // search: only this network adapter
    unsigned attempts = 1;
    bool yes = false;
    std::optional<std::string> output;
    bool verify = false;
    bool force = false;                  // load: a file that does not look like a download's
    unsigned jobs = 1;                   // commission, backup, restore: at once; 0 = all
    std::optional<std::string> logDir;   // commission: one activity log file per row
    std::optional<std::string> report;   // commission: each row as it ends, JSON
    std::optional<std::string> resume;   // commission: the report of an earlier run
    std::optional<std::string> html;     // report: the page to write
    std::optional<std::string> csv;      // report: the sheet to write
    std::optional<std::string> sheet;    // audit: the modules of this commissioning sheet
    std::optional<std::string> from;     // audit: a backup folder instead of the modules
    std::vector<site::IgnoredBytes> ignored;  // audit: bytes not compared

    // Common options.
    std::optional<std::string> logFile;
    std::optional<platform::Language> language;
};

struct ParsedArguments {
    enum class Outcome { Run, Help, Version, UsageError };
    Outcome outcome = Outcome::UsageError;
    Options options;
    std::string error;  // for UsageError: what was wrong, one line
};

// Reads the arguments after the program name. --help and --version win over
// everything else on the line; anything unknown or malformed is a usage error.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments);

// The text --help prints.
std::string UsageText();

inline constexpr unsigned kMaxPingAttempts = 100;
inline constexpr unsigned kMaxJobs = 1024;

}  // namespace quelvar::ui::console
