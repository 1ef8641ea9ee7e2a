#include "ops/facts.h"

#include <array>
#include <cstddef>

#include "discovery/search.h"
#include "platform/ipv4.h"
#include "platform/socket.h"

namespace quelvar::ops {

namespace {

using K = FactKind;

// A kind's stable name and its words, %1... its values and %* its cause.
struct Wording {
    FactKind kind;
    std::string_view name;
    std::string_view english;
    std::string_view japanese;
};

constexpr std::array kWordings{
    Wording{K::Text, "text", "%1", "%1"},
    Wording{K::NotFound, "not-found", "not found", "見つかりません"},
    Wording{K::NothingSent, "nothing-sent", "nothing sent", "何も送信していません"},
    Wording{K::FileUnreadable, "file-unreadable", "cannot read %1", "%1 を読めません"},
    Wording{K::AddressChanged, "address-changed", "ip %1 -> %2", "IPアドレス %1 → %2"},
    Wording{K::AddressGiven, "address-given",
            "ip %1 -> %2 given, not confirmed: outside this PC's networks",
            "IPアドレス %1 → %2 を設定、未確認: このPCのネットワークの外です"},
    Wording{K::AddressKept, "address-kept", "ip %1 kept", "IPアドレス %1 のまま"},
    Wording{K::SetIpFailed, "set-ip-failed", "set-ip %1 -> %2: %*",
            "IPアドレス設定 %1 → %2: %*"},
    Wording{K::Loaded, "loaded", "loaded %1", "%1 を書き込み済み"},
    Wording{K::LoadFailed, "load-failed", "load %1: %*", "%1 の書き込み: %*"},
    Wording{K::MovedByRecords, "moved-by-records", "the records moved the module to %1",
            "setup record により機器が %1 に移りました"},
    Wording{K::BackAt, "back-at", "back at %1", "リセット後 %1 で応答"},
    Wording{K::Verified, "verified", "verified", "検証済み"},
    Wording{K::VerifyUnread, "verify-unread",
            "verify: the module's setup records could not be read back (%*)",
            "検証: 機器の setup record を読み戻せませんでした (%*)"},
    Wording{K::VerifyIncomplete, "verify-incomplete",
            "verify: the module's records do not read as complete setup records",
            "検証: 機器の setup record が完全な形で読めません"},
    Wording{K::VerifyDiffers, "verify-differs", "verify: %1 record(s) differ (%*)",
            "検証: %1 件の record が異なります (%*)"},
    Wording{K::RecordMissing, "record-missing", "record %1: missing on the module",
            "record %1: 機器にありません"},
    Wording{K::RecordLength, "record-length", "record %1: module holds %2 bytes, file %3",
            "record %1: 機器は %2 バイト、ファイルは %3 バイト"},
    Wording{K::RecordBytes, "record-bytes",
            "record %1: %2 byte(s) differ, first at %3 (file %4, module %5)",
            "record %1: %2 バイトが異なります。最初は %3 バイト目 (ファイル %4、機器 %5)"},
    Wording{K::StoppedBefore, "stopped-before", "stopped before %1", "%1 の前に中止"},
    Wording{K::NotStarted, "not-started", "not started (interrupted)", "未実行 (中断)"},
    Wording{K::PassedEarlier, "passed-earlier", "passed in an earlier run",
            "以前の実行で成功済み"},
    Wording{K::Saved, "saved", "saved %1", "%1 に保存"},
    Wording{K::FileThere, "file-there", "%1 is there already; not replaced",
            "%1 は既にあるため置き換えていません"},
    Wording{K::NotSavedAgain, "not-saved-again", "not saved again: %*",
            "再保存できませんでした: %*"},
    Wording{K::NotInBackup, "not-in-backup", "not in the backup: %*", "バックアップにありません: %*"},
    Wording{K::FileChanged, "file-changed", "%1 is missing or changed since the backup",
            "%1 がないか、バックアップ後に変更されています"},
    Wording{K::LogNotWritten, "log-not-written", "log not written", "ログを書き込めませんでした"},

    Wording{K::MonitorRefused, "monitor-refused",
            "the monitor port refuses the connection (%*): asking again while the module restarts",
            "モニタポートが接続を拒否しました (%*): 機器の再起動中のため接続し直します"},
    Wording{K::MonitorEntryFailed, "monitor-entry-failed",
            "entering the monitor mode failed (%*): trying again on a fresh connection, try %1 of "
            "%2",
            "モニタモードに入れませんでした (%*): 新しい接続でやり直します (%2 回中 %1 回目)"},
    Wording{K::ReadAgain, "read-again",
            "the reading of the records stopped (%*): reading them again whole, try %1 of %2",
            "setup record の読み出しが止まりました (%*): 最初から読み直します (%2 回中 %1 回目)"},
    Wording{K::WriteAgain, "write-again",
            "the write of %1 stopped (%*) and the module still answers: writing the whole file "
            "again, try %2 of %3",
            "%1 の書き込みが止まりました (%*)。機器は応答しているため、ファイル全体を書き込み直します "
            "(%3 回中 %2 回目)"},
    Wording{K::UnconfirmedAfterReset, "unconfirmed-after-reset",
            "something answers status queries at %1 but no search request: that it is the module "
            "could not be confirmed",
            "%1 はステータス問い合わせに応答しますが、検索要求には応答しません: "
            "その機器であることを確認できませんでした"},
    Wording{K::UnconfirmedAtNewAddress, "unconfirmed-at-new-address",
            "something answers status queries at %1 but no search request: which module it is "
            "could not be confirmed",
            "%1 はステータス問い合わせに応答しますが、検索要求には応答しません: "
            "どの機器か確認できませんでした"},
    Wording{K::CameBackAt, "came-back-at", "the module came back at %1",
            "機器は %1 で応答しました"},
    Wording{K::IpSetupResent, "ip-setup-resent", "the module still answers at %1: IP-SETUP sent again",
            "機器はまだ %1 で応答しています: IP-SETUP を再送しました"},
    Wording{K::OtherModuleNow, "other-module-now", "another module (%1) answers at %2 now, not %3: %*",
            "%2 では %3 ではなく別の機器 (%1) が応答しています: %*"},
    Wording{K::UnnamedAnswerNow, "unnamed-answer-now",
            "something answers at %1 but does not say that it is %2: %*",
            "%1 で何かが応答していますが、%2 であるとは確認できません: %*"},
    Wording{K::NothingMoreWritten, "nothing-more-written", "nothing more written",
            "これ以上書き込んでいません"},
    Wording{K::NotReadAgain, "not-read-again", "not read again", "読み直していません"},
    Wording{K::RecordsHeld, "records-held", "", ""},  // worded by recordsHeld()
    Wording{K::AddressRouted, "address-routed",
            "%1 lies outside the networks of this PC's adapters: a device there that answers "
            "nothing cannot be seen from here",
            "%1 はこのPCのアダプタのネットワークの外にあります: "
            "何も応答しないデバイスはここからは確認できません"},
    Wording{K::ResolutionNotAsked, "resolution-not-asked",
            "the system did not ask who holds %1: a device there that answers nothing could not be "
            "seen",
            "システムは %1 のアドレス解決を行いませんでした: 何も応答しないデバイスは確認できませんでした"},
    Wording{K::ResolutionStillAsking, "resolution-still-asking",
            "the system was still asking who holds %1 when the check ended",
            "確認の終了時、システムはまだ %1 のアドレス解決中でした"},
    Wording{K::ResolutionFixedEntry, "resolution-fixed-entry",
            "%1 has a fixed entry in the system's address table, which no answer made: it proves "
            "nothing either way",
            "%1 はシステムのアドレス表に固定で登録されています (応答によるものではありません): "
            "使用中かどうかは判断できません"},
    Wording{K::ResolutionUnavailable, "resolution-unavailable",
            "the system's address resolution could not be asked about %1 (%2)",
            "システムのアドレス解決に %1 を問い合わせできませんでした (%2)"},
    Wording{K::SearchCut, "search-cut",
            "the search stopped after %1 s with replies still arriving; the list may be incomplete",
            "応答が続いていましたが %1 秒で検索を打ち切りました。一覧は不完全な場合があります"},
    Wording{K::SearchDropped, "search-dropped", "%1 more replies than a search keeps: not listed",
            "検索で保持できる数を超えた %1 件の応答は一覧にありません"},
    Wording{K::LogNotWrittenInto, "log-not-written-into", "cannot write the activity log into %1",
            "%1 にアクティビティログを書き込めません"},

    Wording{K::SheetFieldCount, "sheet-field-count", "line %1: expected MAC,NEW_ADDRESS[,FILE]",
            "%1 行目: MAC,新しいIPアドレス[,ファイル] の形式ではありません"},
    Wording{K::SheetControlCharacter, "sheet-control-character",
            "line %1: a field holds a control character", "%1 行目: 制御文字を含む欄があります"},
    Wording{K::SheetFieldTooLong, "sheet-field-too-long",
            "line %1: a field is longer than %2 characters", "%1 行目: %2 文字を超える欄があります"},
    Wording{K::SheetBadMac, "sheet-bad-mac", "line %1: malformed MAC address '%2'",
            "%1 行目: MACアドレス '%2' の形式が正しくありません"},
    Wording{K::SheetBadAddress, "sheet-bad-address", "line %1: malformed address '%2'",
            "%1 行目: IPアドレス '%2' の形式が正しくありません"},
    Wording{K::SheetAddressNotForModules, "sheet-address-not-for-modules",
            "line %1: no module can hold the address %2",
            "%1 行目: %2 は機器に設定できないIPアドレスです"},
    Wording{K::SheetSameModule, "sheet-same-module", "lines %1 and %2 name the same module %3",
            "%1 行目と %2 行目が同じ機器 %3 を指定しています"},
    Wording{K::SheetSameAddress, "sheet-same-address", "lines %1 and %2 give the same address %3",
            "%1 行目と %2 行目が同じIPアドレス %3 を指定しています"},

    Wording{K::RangeMalformedBlock, "range-malformed-block",
            "malformed range '%1' (ADDRESS/PREFIX, 0 to 32)",
            "範囲 '%1' の形式が正しくありません (アドレス/プレフィックス長、0 から 32)"},
    Wording{K::RangeMalformed, "range-malformed", "malformed range '%1' (FIRST-LAST or ADDRESS/PREFIX)",
            "範囲 '%1' の形式が正しくありません (先頭-末尾 または アドレス/プレフィックス長)"},
    Wording{K::RangeReversed, "range-reversed", "range '%1' ends before it begins",
            "範囲 '%1' は末尾が先頭より前にあります"},
    Wording{K::RangeTooLarge, "range-too-large",
            "a range of %1 addresses is more than the %2 a search asks",
            "範囲の %1 個のアドレスは、1 回の検索で問い合わせる %2 個を超えています"},

    Wording{K::FileMissing, "file-missing", "cannot read %1: no such file",
            "%1 を読めません: ファイルがありません"},
    Wording{K::FileNotRegular, "file-not-regular", "cannot read %1: not a regular file",
            "%1 を読めません: 通常のファイルではありません"},
    Wording{K::FileTooLarge, "file-too-large", "cannot read %1: larger than %2 KiB",
            "%1 を読めません: %2 KiB を超えています"},
    Wording{K::InFile, "in-file", "%1 %*", "%1: %*"},
    Wording{K::InSheet, "in-sheet", "%1: %*", "%1: %*"},
    Wording{K::NotJson, "not-json", "is not JSON", "JSON ではありません"},
    Wording{K::NotJsonOrCut, "not-json-or-cut", "is not JSON (cut short, or not a file of this tool)",
            "JSON ではありません (途中で切れているか、このツールのファイルではありません)"},
    Wording{K::NotAReport, "not-a-report", "is not a commissioning report of this tool",
            "このツールのコミッショニングレポートではありません"},
    Wording{K::NotAManifest, "not-a-manifest", "is not a backup manifest of this tool",
            "このツールのバックアップマニフェストではありません"},
    Wording{K::NeitherReportNorManifest, "neither-report-nor-manifest",
            "is neither a commissioning report nor a backup manifest of this tool",
            "このツールのコミッショニングレポートでもバックアップマニフェストでもありません"},
    Wording{K::ManifestNoList, "manifest-no-list", "has no list of modules", "機器の一覧がありません"},
    Wording{K::ReportRowUnnamed, "report-row-unnamed", "row %1 has no MAC address or line",
            "%1 行目に MACアドレスか行番号がありません"},
    Wording{K::ManifestEntryNoMac, "manifest-entry-no-mac", "module %1: no MAC address",
            "%1 番目の機器: MACアドレスがありません"},
    Wording{K::ManifestEntryNoFile, "manifest-entry-no-file", "module %1: no plain file name",
            "%1 番目の機器: 単純なファイル名がありません"},
    Wording{K::ManifestEntryNoHash, "manifest-entry-no-hash", "module %1: no SHA-256 of its file",
            "%1 番目の機器: ファイルの SHA-256 がありません"},
    Wording{K::ReportOfOtherSheet, "report-of-other-sheet", "was made from %1, not %2",
            "%2 ではなく %1 から作られています"},
    Wording{K::ReportNamesOtherModule, "report-names-other-module",
            "names the module %1, which %2 does not", "%2 にない機器 %1 を含んでいます"},
    Wording{K::SheetRowsBad, "sheet-rows-bad", "%1 row(s) of %2 cannot be used, so nothing is sent",
            "%2 の %1 行は使えないため、何も送信しません"},
    Wording{K::SheetEmpty, "sheet-empty", "%1 lists no module", "%1 には機器がありません"},
    Wording{K::NothingToDo, "nothing-to-do", "every row passed in %1 already; nothing to do",
            "すべての行が %1 で成功済みです。実行することはありません"},
    Wording{K::FolderIsFile, "folder-is-file", "%1 is a file, not a folder for a backup",
            "%1 はファイルです。バックアップ用のフォルダではありません"},
    Wording{K::FolderNotMade, "folder-not-made", "cannot create the folder %1",
            "フォルダ %1 を作成できません"},
    Wording{K::BackupThere, "backup-there", "%1 is there already", "%1 は既にあります"},
    Wording{K::ManifestNotReplaced, "manifest-not-replaced", "%*: not replaced", "%*。置き換えません"},
    Wording{K::NotABackupFolder, "not-a-backup-folder", "%1 is no folder of a backup",
            "%1 はバックアップのフォルダではありません"},
    Wording{K::NotABackup, "not-a-backup", "%1 holds no backup: %*",
            "%1 にはバックアップがありません: %*"},
    Wording{K::NothingRestorable, "nothing-restorable", "no file of %1 can be restored",
            "%1 には復元できるファイルがありません"},
    Wording{K::ReportNotCreatable, "report-not-creatable", "cannot write the report %1: %2",
            "レポート %1 を書き込めません: %2"},
    Wording{K::ReportNotWritten, "report-not-written", "cannot write the report %1",
            "レポート %1 を書き込めません"},
    Wording{K::FileNotWrittenNamed, "file-not-written-named", "cannot write %1", "%1 を書き込めません"},
    Wording{K::NothingWrittenOut, "nothing-written-out", "nothing written",
            "何も書き込んでいません"},
    Wording{K::RecordFileHeaderCut, "record-file-header-cut",
            "cannot read %1: shorter than the 5-byte header of a setup record file",
            "%1 を読めません: setup record ファイルのヘッダ (5 バイト) より短いファイルです"},
    Wording{K::RecordFileRecordCut, "record-file-record-cut",
            "cannot read %1: it ends inside record %2 (which begins at byte %3)",
            "%1 を読めません: record %2 (%3 バイト目から) の途中でファイルが終わっています"},

    Wording{K::ComparedLeft, "compared-left", "left:  %1", "左: %1"},
    Wording{K::ComparedRight, "compared-right", "right: %1", "右: %1"},
    Wording{K::ComparedModule, "compared-module", "module %1 at %2", "%2 の機器 %1"},
    Wording{K::RangesDiffer, "ranges-differ", "record %1: bytes %2 differ",
            "record %1: %2 バイト目が異なります"},
    Wording{K::OnlyOneSideHas, "only-one-side-has", "record %1 (%2 bytes): only in %3",
            "record %1 (%2 バイト): %3 にのみあります"},
    Wording{K::RecordsAlike, "records-alike", "%2 and %3 hold the same %1 record(s)",
            "%2 と %3 の %1 件の record はすべて同じです"},
    Wording{K::RecordsDiffer, "records-differ", "%1 of %2 record(s) differ",
            "%2 件中 %1 件の record が異なります"},
    Wording{K::IgnoreNoRecord, "ignore-no-record", "--ignore %1: the reference has no record %2",
            "%1: 基準ファイルに record %2 がありません"},
    Wording{K::IgnorePastEnd, "ignore-past-end",
            "--ignore %1: record %2 of the reference has only %3 bytes",
            "%1: 基準ファイルの record %2 は %3 バイトしかありません"},
    Wording{K::NoModuleToAudit, "no-module-to-audit", "no module to audit",
            "照合する機器がありません"},
    Wording{K::AuditRead, "audit-read", "records read", "setup record を読み出しました"},
    Wording{K::AuditPattern, "audit-pattern",
            "record %1, bytes %2: differs on %3 of %4 modules (%5)",
            "record %1 の %2 バイト目: %4 台中 %3 台の機器で異なります (%5)"},
    Wording{K::AuditSame, "audit-same", "same", "同じ"},
    Wording{K::AuditDiffers, "audit-differs", "differs in %1 record(s)",
            "%1 件の record が異なります"},
    Wording{K::AuditRecordsMissing, "audit-records-missing", "lacks record(s) %1",
            "record %1 がありません"},
    Wording{K::AuditRecordsBeyond, "audit-records-beyond", "holds record(s) %1 the reference lacks",
            "基準ファイルにない record %1 があります"},
    Wording{K::AuditUnreadable, "audit-unreadable", "could not be read: %*", "読めませんでした: %*"},
    Wording{K::AuditRange, "audit-range", "record %1, bytes %2: reference %3, module %4",
            "record %1 の %2 バイト目: 基準 %3、機器 %4"},
    Wording{K::AuditOnlyPatterns, "audit-only-patterns", "differs only as every module does (above)",
            "全機器に共通の違い (上記) のみです"},
    Wording{K::AuditSummary, "audit-summary",
            "%1 module(s): %2 same, %3 differ, %4 lack records, %5 hold records beyond the "
            "reference, %6 could not be read, %7 not found",
            "機器 %1 台: 同じ %2、異なる %3、record 不足 %4、基準ファイルにない record あり %5、"
            "読めない %6、見つからない %7"},
    Wording{K::NotAnAuditReport, "not-an-audit-report", "is not an audit report of this tool",
            "このツールの照合レポートではありません"},
    Wording{K::NoModuleToBackUp, "no-module-to-back-up", "no module to back up",
            "バックアップする機器がありません"},

    Wording{K::SheetRowName, "sheet-row", "row %1", "%1 行目"},
    Wording{K::ModuleName, "module", "module %1", "機器 %1"},

    Wording{K::Succeeded, "success", "success", "成功"},
    Wording{K::NotConfirmed, "not-confirmed", "not confirmed", "キャンセルされました"},
    Wording{K::NoSuchModule, "no-such-module", "no such module", "該当する機器がありません"},
    Wording{K::NotAnswering, "not-answering", "the module does not answer", "機器が応答しません"},
    Wording{K::NoneFound, "none-found", "no module found", "機器が見つかりません"},
    Wording{K::SocketError, "socket-error", "socket error %1 (%2)", "ソケットエラー %1 (%2)"},
    Wording{K::AwaitedTextMissing, "awaited-text-missing",
            "the module did not send the awaited text", "機器が待っていた応答を返しませんでした"},
    Wording{K::FileNotOpened, "file-not-opened", "the file could not be opened or created",
            "ファイルを開くか作成できませんでした"},
    Wording{K::FileNotWritten, "file-not-written", "the file could not be written",
            "ファイルを書き込めませんでした"},
    Wording{K::FileCutShort, "file-cut-short", "the setup record file is cut short",
            "setup record ファイルが途中で切れています"},
    Wording{K::EchoMissing, "echo-missing", "the module did not echo a record",
            "機器が record をエコーしませんでした"},
    Wording{K::RecordRefused, "record-refused", "the module did not take a record",
            "機器が record を受け付けませんでした"},
    Wording{K::RecordsNotAFile, "records-not-a-file",
            "the module's records cannot be kept as a file",
            "機器の setup record をファイルにできません"},
    Wording{K::NoAnswerAtNewAddress, "no-answer-at-new-address", "no answer at the new address",
            "新しいIPアドレスで応答がありません"},
    Wording{K::GivenNotConfirmed, "given-not-confirmed",
            "address given, not confirmed: outside this PC's networks",
            "IPアドレスを設定、未確認: このPCのネットワークの外です"},
    Wording{K::OtherModuleAtNewAddress, "other-module-at-new-address",
            "another module (%1) answers at the new address",
            "新しいIPアドレスで別の機器 (%1) が応答しています"},
    Wording{K::NotBackAfterReset, "not-back-after-reset", "not found again after the reset",
            "リセット後に見つかりません"},
    Wording{K::ModuleReplaced, "module-replaced",
            "another module (%1) answers at %2 now: nothing more written",
            "%2 では別の機器 (%1) が応答しています: これ以上書き込んでいません"},
    Wording{K::AddressHeldByModule, "address-held-by-module", "address in use by %1",
            "IPアドレスは %1 が使用中"},
    Wording{K::AddressHeldByStation, "address-held-by-station",
            "address in use by a device with hardware address %1, which answers address "
            "resolution but no module request",
            "IPアドレスはハードウェアアドレス %1 のデバイスが使用中 "
            "(アドレス解決には応答し、機器への問い合わせには応答しません)"},
    Wording{K::AddressHeldRefusing, "address-held-refusing",
            "address in use by a device that refuses module requests (port unreachable)",
            "IPアドレスは機器への問い合わせを拒否するデバイスが使用中 (ポート到達不能)"},
    Wording{K::AddressHeld, "address-held", "address in use by a device that does not say which",
            "IPアドレスは特定できないデバイスが使用中"},
    Wording{K::AddressCheckFailed, "address-check-failed",
            "could not check whether %1 is free: %2; nothing sent",
            "%1 が空いているか確認できませんでした: %2。何も送信していません"},
    Wording{K::AddressHeldLately, "address-held-lately",
            "%1 was held by hardware address %2 %3 s ago, and the system asks again only within "
            "a minute; nothing sent",
            "%1 は %3 秒前にハードウェアアドレス %2 が使用していました。システムの再確認は "
            "1 分以内です。何も送信していません"},
    Wording{K::NoTelnet, "no-telnet", "no telnet client installed",
            "telnet クライアントがインストールされていません"},
    Wording{K::LaunchFailed, "launch-failed", "the outside program could not be started",
            "外部プログラムを起動できませんでした"},
    Wording{K::StoppedByUser, "stopped", "stopped", "中止しました"},
};

// The steps of a row, as rows and reports name them, and their words.
struct StepWording {
    std::string_view step;
    std::string_view english;
    std::string_view japanese;
};

constexpr std::array kSteps{
    StepWording{"set-ip", "set IP address", "IPアドレス設定"},
    StepWording{"load", "write records", "setuprecord書き込み"},
    StepWording{"verify", "verify", "検証"},
    StepWording{"save", "save records", "setuprecord保存"},
    StepWording{"read", "read records", "setuprecord読み出し"},
};

const Wording* wordingOf(FactKind kind) {
    for (const Wording& wording : kWordings) {
        if (wording.kind == kind) return &wording;
    }
    return nullptr;
}

bool japanese(platform::Language language) { return language == platform::Language::Japanese; }

std::string_view separator(platform::Language language) {
    return japanese(language) ? "、" : "; ";
}

// "record 3" or "records 0, 2-5": a list of more than one number is plural.
std::string recordList(const std::string& numbers) {
    const bool many = numbers.find_first_of(",-") != std::string::npos;
    return (many ? "records " : "record ") + numbers;
}

// What a module may hold of a file after writes that stopped: values written,
// may have been, file.
std::string recordsHeld(const std::vector<std::string>& values, platform::Language language) {
    const std::string none;
    const std::string& written = values.size() > 0 ? values[0] : none;
    const std::string& maybe = values.size() > 1 ? values[1] : none;
    const std::string& file = values.size() > 2 ? values[2] : none;
    std::string held;
    if (japanese(language)) {
        if (!written.empty()) {
            held = file + " の record " + written + " を書き込み済み";
            if (!maybe.empty()) held += "、record " + maybe + " も書き込まれた可能性があります";
        } else if (!maybe.empty()) {
            held = file + " の record " + maybe + " が書き込まれた可能性があります";
        } else {
            held = file + " の record は書き込まれていません";
        }
        return held + "。リセットしていません: ファイルをもう一度書き込んでください";
    }
    if (!written.empty()) {
        held = recordList(written) + " of " + file + " written";
        if (!maybe.empty()) held += " and " + recordList(maybe) + " may have been";
    } else if (!maybe.empty()) {
        held = recordList(maybe) + " of " + file + " may have been written";
    } else {
        held = "no record of " + file + " written";
    }
    return held + ", not reset: apply the file again";
}

// The words of reason[at] with its causes in place of %*; `at` ends past them.
std::string wordsFrom(const Reason& reason, std::size_t& at, platform::Language language) {
    const Fact& fact = reason[at++];
    if (fact.kind == FactKind::RecordsHeld) return recordsHeld(fact.values, language);
    const Wording* wording = wordingOf(fact.kind);
    std::string_view pattern =
        wording == nullptr ? "%1" : (japanese(language) ? wording->japanese : wording->english);
    // A socket error the system has no words for is its number alone.
    if (fact.kind == FactKind::SocketError && (fact.values.size() < 2 || fact.values[1].empty())) {
        pattern = japanese(language) ? "ソケットエラー %1" : "socket error %1";
    }
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%' || i + 1 == pattern.size()) {
            text += c;
            continue;
        }
        const char next = pattern[++i];
        if (next == '*') {
            if (at < reason.size()) text += wordsFrom(reason, at, language);
        } else if (next >= '1' && next <= '9') {
            const std::size_t value = static_cast<std::size_t>(next - '1');
            if (value < fact.values.size()) {
                text += fact.kind == FactKind::StoppedBefore ? StepWord(fact.values[value], language)
                                                             : fact.values[value];
            }
        } else {
            text += c;
            text += next;
        }
    }
    return text;
}

std::string text(int number) { return std::to_string(number); }

}  // namespace

std::string StepWord(std::string_view step, platform::Language language) {
    for (const StepWording& wording : kSteps) {
        if (wording.step == step) {
            return std::string(japanese(language) ? wording.japanese : wording.english);
        }
    }
    return std::string(step);
}

std::string WordsOf(const Reason& reason, platform::Language language) {
    std::string words;
    std::size_t at = 0;
    while (at < reason.size()) {
        if (!words.empty()) words += separator(language);
        words += wordsFrom(reason, at, language);
    }
    return words;
}

std::string WordsOf(const Fact& fact, platform::Language language) {
    return WordsOf(Reason{fact}, language);
}

std::string_view KindName(FactKind kind) {
    const Wording* wording = wordingOf(kind);
    return wording == nullptr ? "text" : wording->name;
}

std::optional<FactKind> KindNamed(std::string_view name) {
    for (const Wording& wording : kWordings) {
        if (wording.name == name) return wording.kind;
    }
    return std::nullopt;
}

FactKind DecidingKind(const Reason& reason) {
    return reason.empty() ? FactKind::Text : reason.back().kind;
}

Reason ReasonFromText(std::string words) {
    if (words.empty()) return {};
    return {Fact{FactKind::Text, {std::move(words)}}};
}

Fact FactOf(const discovery::RangeError& error) {
    using Kind = discovery::RangeError::Kind;
    switch (error.kind) {
        case Kind::MalformedBlock: return {K::RangeMalformedBlock, {error.text}};
        case Kind::Malformed: return {K::RangeMalformed, {error.text}};
        case Kind::Reversed: return {K::RangeReversed, {error.text}};
        case Kind::TooLarge: break;
    }
    return {K::RangeTooLarge,
            {std::to_string(error.count), std::to_string(discovery::kMaxRangeAddresses)}};
}

Fact FactOf(const Outcome& outcome) {
    const std::string mac = discovery::FormatMac(outcome.mac);
    const std::string address = platform::formatIpv4(outcome.address);
    switch (outcome.kind) {
        case OutcomeKind::Success: return {K::Succeeded, {}};
        case OutcomeKind::Cancelled: return {K::NotConfirmed, {}};
        case OutcomeKind::NoDevice: return {K::NoSuchModule, {}};
        case OutcomeKind::DeviceNotAnswering: return {K::NotAnswering, {}};
        case OutcomeKind::NotFound: return {K::NoneFound, {}};
        case OutcomeKind::SocketError:
            if (outcome.code == -1) return {K::AwaitedTextMissing, {}};
            return {K::SocketError, {text(outcome.code), platform::systemErrorText(outcome.code)}};
        case OutcomeKind::OpenError: return {K::FileNotOpened, {}};
        case OutcomeKind::WriteError: return {K::FileNotWritten, {}};
        case OutcomeKind::ReadError: return {K::FileCutShort, {}};
        case OutcomeKind::EchoMissing: return {K::EchoMissing, {}};
        case OutcomeKind::RecordRefused: return {K::RecordRefused, {}};
        case OutcomeKind::LineTooLong:
        case OutcomeKind::ImageFull:
        case OutcomeKind::WrongRecordSize: return {K::RecordsNotAFile, {}};
        case OutcomeKind::NotAtNewAddress: return {K::NoAnswerAtNewAddress, {}};
        case OutcomeKind::GivenNotConfirmed: return {K::GivenNotConfirmed, {}};
        case OutcomeKind::OtherModuleAtNewAddress: return {K::OtherModuleAtNewAddress, {mac}};
        case OutcomeKind::NotBackAfterReset: return {K::NotBackAfterReset, {}};
        case OutcomeKind::ModuleReplaced: return {K::ModuleReplaced, {mac, address}};
        case OutcomeKind::AddressInUse:
            switch (outcome.holder) {
                case AddressHolderKind::Module: return {K::AddressHeldByModule, {mac}};
                case AddressHolderKind::Station: return {K::AddressHeldByStation, {mac}};
                case AddressHolderKind::Refusing: return {K::AddressHeldRefusing, {}};
                case AddressHolderKind::Unnamed: break;
            }
            return {K::AddressHeld, {}};
        case OutcomeKind::AddressCheckFailed:
            return {K::AddressCheckFailed, {address, ReasonOf(outcome.code)}};
        case OutcomeKind::AddressHeldLately:
            return {K::AddressHeldLately, {address, mac, text(outcome.code)}};
        case OutcomeKind::TelnetNotInstalled: return {K::NoTelnet, {}};
        case OutcomeKind::LaunchFailed: return {K::LaunchFailed, {}};
        case OutcomeKind::Stopped: return {K::StoppedByUser, {}};
    }
    return {K::Text, {"unknown outcome"}};
}

}  // namespace quelvar::ops
