#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "discovery/datagrams.h"
#include "platform/socket.h"
#include "sim/link_faults.h"

namespace quelvar::sim {

using Bytes = std::vector<std::uint8_t>;

// Faults a simulated module's monitor port can show, for the transfer tests.
enum class MonitorFault {
    None,
    StopMidLine,      // goes quiet in the middle of a data line of record 2
    CloseMidRecord,   // closes the connection in the middle of record 2
    NulInPrompt,      // NUL bytes inside its banner and prompts
    OnlyCrLfPrompt,   // banner and prompt are only CR and LF
    LowerCaseHex,     // data lines in lower-case hexadecimal
    OversizeCount,    // a data line whose count is above 0x28
    TooManyRecords,   // serves far more data than fits a 4096-byte file
    WriteReplyOne,    // answers a record write with a second byte of '1'
    AlterOnWrite,     // stores a written record with one byte changed
    Drip,             // after its greeting, one '.' every 0.9 s and never "Mode"
    Garbage,          // after its greeting, text without "Mode" as fast as it is read
    NeverAccept,      // a listener whose accept queue is full: connects go unanswered
    DropFirstWrite,   // drops the connection inside its first record write, then behaves
    NoBanner,         // its greeting, then nothing: no banner, never "Mode"; input ignored
};

// One simulated module: its identity and how it behaves. Defaults describe a
// well-behaved module.
struct ModuleConfig {
    platform::Ipv4Octets address{127, 0, 0, 2};
    std::array<std::uint8_t, 6> mac{0x02, 0x00, 0x00, 0x00, 0x00, 0x02};
    std::array<char, 2> productLetters{'Q', 'V'};
    std::uint8_t versionMajor = 6;
    std::uint8_t versionMinor = 1;

    // Search.
    bool answersSearch = true;
    // False: answers a search request only when it comes as a broadcast, not
    // when it is addressed to the module (nothing promises either).
    bool answersAddressedSearch = true;
    // Above 30: the tool must drop the reply.
    std::size_t searchReplySize = discovery::kSearchReplySize;
    int searchReplyCount = 1;  // 2: answers every search twice
    std::chrono::milliseconds searchReplyDelay{0};
    // Source port of the module's discovery answers.
    std::uint16_t replyPort = discovery::kDiscoveryPort;

    // Status query.
    bool answersStatus = true;
    std::size_t statusReplySize = discovery::kStatusReplySize;  // 60 short, 125 too long
    std::chrono::milliseconds statusReplyDelay{0};
    int ignoreFirstStatusQueries = 0;

    // The first reply to an address the module has not answered for a
    // minute leaves this much later, and the replies behind it wait for it:
    // the module must first learn where that address is on the LAN.
    std::chrono::milliseconds firstReplyLate{0};

    // IP-SETUP: the module takes its new address after this delay.
    std::chrono::milliseconds ipSetupDelay{300};
    // Takes no notice of the first N IP-SETUP commands meant for it, as if
    // they were lost on the way.
    int ignoreFirstIpSetups = 0;

    // Monitor port 9999.
    bool monitorPort = true;
    MonitorFault monitorFault = MonitorFault::None;
    // The fault shows on the first monitor connection only; the connections
    // after it find the module well (the first session clears the fault).
    bool monitorFaultOnce = false;
    std::chrono::milliseconds resetSilence{1500};  // silent after "RS"
    // After the silence of a reset the module answers on the discovery port
    // at once, but its monitor port and web page open only this much later:
    // until then a connection is refused, as while a module's services start.
    std::chrono::milliseconds monitorAfterReset{0};
    // The echo of a record write pauses this long after "S<n>" before its
    // line end: under the quiet second that ends the tool's wait, so the
    // echo is still one piece of text.
    std::chrono::milliseconds echoPause{0};
    // Comes back from a reset at the address held in a record written to it
    // since the last reset, at the place AddressPlaceInRecords names.
    bool movesOnReset = false;
    // Setup records the module holds, by number (0: 120 bytes, others 126).
    std::map<int, Bytes> records;
    // Refuses a write of this record (answers '1'), taking the ones before it.
    std::optional<int> refuseRecord;
    // After storing a write of this record, and before its echo, the module
    // closes the connection and another module takes its place at its
    // address (ReplacementModule), as when a module is swapped in the field.
    std::optional<int> replacedAfterRecord;

    // A small web page on port 80.
    bool webPage = true;

    // The path between the tool and this module; none: the farm's.
    std::optional<LinkFaults> linkFaults;
};

// Where in its setup records a module keeps its own address: a record number
// and the offset of 4 bytes in the record's data, first octet first. The
// module chooses it (from its MAC); the tool cannot know it, tests ask here.
struct RecordPlace {
    int record = 0;
    std::size_t offset = 0;
    friend bool operator==(const RecordPlace&, const RecordPlace&) = default;
};
RecordPlace AddressPlaceInRecords(const ModuleConfig& config);

// The address a module that moves on reset takes from its records, given
// the numbers of the records written to it since its last reset: nullopt
// when it does not move on reset, the record was not written, or is too short.
std::optional<platform::Ipv4Octets> AddressInWrittenRecords(const ModuleConfig& config,
                                                            const std::set<int>& written);

// The default records of a module: 0 and 2 to 8, filled from a seed.
std::map<int, Bytes> DefaultRecords(std::uint8_t seed);

// A module config for farm index i: address 127.0.0.(2+i), its own MAC,
// letters and version.
ModuleConfig DefaultModule(int index);

// The module that takes the place of `replaced` (see
// ModuleConfig::replacedAfterRecord): a well-behaved module at the same
// address, behind the same link, with the same letters and version but
// another MAC (the last two bytes, which IP-SETUP names, differ, and byte 3
// sets it apart from every DefaultModule) and default records of its own.
ModuleConfig ReplacementModule(const ModuleConfig& replaced);

}  // namespace quelvar::sim
