#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/address_range.h"
#include "ops/outcome.h"
#include "platform/language.h"

namespace quelvar::ops {

// What an operation or a run found out, as a kind and its values, never as
// a sentence: the front-ends word it in their language through one table
// (fact_words.cpp), and a script reads the kind. The values are in the order
// the comment gives; addresses, MAC addresses and file names as the user
// writes them.
enum class FactKind {
    Text,  // words given as they are (a file written before kinds): text

    // What a row did, or where it ended.
    NotFound,              // the search found the module nowhere
    NothingSent,           // nothing went to the module
    FileUnreadable,        // file: the setup record file could not be read
    AddressChanged,        // from, to
    AddressGiven,          // from, to: given outside this PC's networks, not confirmed
    AddressKept,           // address
    SetIpFailed,           // from, to; its cause follows
    Loaded,                // file
    LoadFailed,            // file; its cause follows
    MovedByRecords,        // address: where the records moved the module, not where wanted
    BackAt,                // address: where the module came back after its reset
    Verified,              //
    VerifyUnread,          // the read-back failed; its cause follows
    VerifyIncomplete,      // the read-back is no complete set of records
    VerifyDiffers,         // count of records; the first difference follows
    RecordMissing,         // record
    RecordLength,          // record, module's size, file's size
    RecordBytes,           // record, bytes differing, first offset, file's byte, module's byte
    StoppedBefore,         // step
    NotStarted,            //
    PassedEarlier,         //
    Saved,                 // file
    FileThere,             // file: there already, and not to be replaced
    NotSavedAgain,         // the earlier file stays; the cause follows
    NotInBackup,           // the cause follows
    FileChanged,           // file: missing or changed since the backup
    LogNotWritten,         //

    // What an operation found out on its way (a note), beside its trace.
    MonitorRefused,           // the cause follows
    MonitorEntryFailed,       // try, of how many; the cause follows
    ReadAgain,                // try, of how many; the cause follows
    WriteAgain,               // file, try, of how many; the cause follows
    UnconfirmedAfterReset,    // address
    UnconfirmedAtNewAddress,  // address
    CameBackAt,               // address
    IpSetupResent,            // address
    OtherModuleNow,           // the other's mac, address, mac; what is not done follows
    UnnamedAnswerNow,         // address, mac; what is not done follows
    NothingMoreWritten,       //
    NotReadAgain,             //
    RecordsHeld,              // records written, records that may have been (each "0, 2-5",
                              // empty for none), file
    AddressRouted,            // address
    ResolutionNotAsked,       // address
    ResolutionStillAsking,    // address
    ResolutionFixedEntry,     // address
    ResolutionUnavailable,    // address, the system's text
    LogNotWrittenInto,        // folder
    SearchCut,                // seconds: the search stopped at its time limit
    SearchDropped,            // how many replies a search did not keep

    // A commissioning sheet's rows that cannot be used; each names its line first.
    SheetFieldCount,          // line
    SheetControlCharacter,    // line
    SheetFieldTooLong,        // line, the longest a field may be
    SheetBadMac,              // line, the field (shortened)
    SheetBadAddress,          // line, the field (shortened)
    SheetAddressNotForModules,  // line, address
    SheetSameModule,          // line, the other line, mac
    SheetSameAddress,         // line, the other line, address

    // An address range that cannot be searched.
    RangeMalformedBlock,      // the range as written
    RangeMalformed,           // the range as written
    RangeReversed,            // the range as written
    RangeTooLarge,            // how many addresses, the most a search asks

    // Files the user names, and what a run needs before it starts.
    FileMissing,              // file: no such file
    FileNotRegular,           // file: a folder, a device or a pipe
    FileTooLarge,             // file, the most KiB such a file may take
    InFile,                   // file; what is wrong with it follows
    InSheet,                  // sheet; the row that cannot be used follows
    NotJson,                  //
    NotJsonOrCut,             //
    NotAReport,               //
    NotAManifest,             //
    NeitherReportNorManifest, //
    ManifestNoList,           //
    ReportRowUnnamed,         // row
    ManifestEntryNoMac,       // entry
    ManifestEntryNoFile,      // entry
    ManifestEntryNoHash,      // entry
    ReportOfOtherSheet,       // the sheet the report was made from, this sheet
    ReportNamesOtherModule,   // mac, this sheet
    SheetRowsBad,             // how many rows, sheet
    SheetEmpty,               // sheet
    NothingToDo,              // the earlier report
    FolderIsFile,             // folder
    FolderNotMade,            // folder
    BackupThere,              // manifest
    ManifestNotReplaced,      // why follows
    NotABackupFolder,         // folder
    NotABackup,               // folder; why follows
    NothingRestorable,        // folder
    ReportNotCreatable,       // file, the system's reason
    ReportNotWritten,         // file
    FileNotWrittenNamed,      // file
    NoModuleToBackUp,         //
    NothingWrittenOut,        // of the files a command was to write
    RecordFileHeaderCut,      // file: shorter than a setup record file's header
    RecordFileRecordCut,      // file, record, offset in the file of the cut record

    // Two sets of setup records compared, each side named as the user named it.
    ComparedLeft,             // name
    ComparedRight,            // name
    ComparedModule,           // mac, address: a side read from a module
    RangesDiffer,             // record, its differing byte ranges ("0x0010-0x0013, 0x0020")
    OnlyOneSideHas,           // record, its size, the side that has it
    RecordsAlike,             // how many records, left, right
    RecordsDiffer,            // how many differ, of how many

    // Modules audited against a reference file.
    IgnoreNoRecord,           // the --ignore as written, record: the reference has no such record
    IgnorePastEnd,            // the --ignore as written, record, its size in the reference
    NoModuleToAudit,          //
    AuditRead,                // a row's records were read
    AuditPattern,             // record, bytes ("4-7"), modules differing, of how many, --ignore
    AuditSame,                //
    AuditDiffers,             // how many records
    AuditRecordsMissing,      // records ("0, 8")
    AuditRecordsBeyond,       // records
    AuditUnreadable,          // why follows
    AuditRange,               // record, bytes ("16-19"), the reference's bytes, the module's
    AuditOnlyPatterns,        // the module differs only where every module does
    AuditSummary,             // modules, same, differ, missing, beyond, unreadable, not found
    NotAnAuditReport,         //

    // The names of a run's rows.
    SheetRowName,             // row
    ModuleName,               // mac

    // How an operation failed (one per OutcomeKind, see FactOf).
    Succeeded,
    NotConfirmed,
    NoSuchModule,
    NotAnswering,
    NoneFound,
    SocketError,           // code, the system's text
    AwaitedTextMissing,
    FileNotOpened,
    FileNotWritten,
    FileCutShort,
    EchoMissing,
    RecordRefused,
    RecordsNotAFile,
    NoAnswerAtNewAddress,
    GivenNotConfirmed,
    OtherModuleAtNewAddress,  // mac
    NotBackAfterReset,
    ModuleReplaced,           // mac, address
    AddressHeldByModule,      // mac
    AddressHeldByStation,     // hardware address
    AddressHeldRefusing,      //
    AddressHeld,              // (the holder did not say which it is)
    AddressCheckFailed,       // address, the system's reason
    AddressHeldLately,        // address, hardware address, seconds ago
    NoTelnet,
    LaunchFailed,
    StoppedByUser,
};

struct Fact {
    FactKind kind = FactKind::Text;
    std::vector<std::string> values;
    friend bool operator==(const Fact&, const Fact&) = default;
};

// What a row came to, in order: a fact whose words name a cause ("set-ip
// A -> B: ...") is followed by its cause.
using Reason = std::vector<Fact>;

// The fact an outcome states; why a range cannot be searched.
Fact FactOf(const Outcome& outcome);
Fact FactOf(const discovery::RangeError& error);

// The words of a reason, of one fact and its causes, in `language`.
std::string WordsOf(const Reason& reason, platform::Language language);
std::string WordsOf(const Fact& fact, platform::Language language);

// A row's step ("set-ip", "load", "verify", "save") in `language`.
std::string StepWord(std::string_view step, platform::Language language);

// A kind's stable name in reports and the console's JSON ("address-changed");
// KindNamed reads it back, nullopt for a name this tool does not write.
std::string_view KindName(FactKind kind);
std::optional<FactKind> KindNamed(std::string_view name);

// The kind that decides a reason, for a script to act on: its last fact
// (a failure's innermost cause, or what a row did last); Text when empty.
FactKind DecidingKind(const Reason& reason);

// A reason of one fact kept as words, as reports written before kinds hold it.
Reason ReasonFromText(std::string text);

}  // namespace quelvar::ops
