#include "site/handover_words.h"

#include <array>

namespace quelvar::site {

namespace {

using W = HandoverWord;
using Words = platform::Bilingual<HandoverWord>;

constexpr std::array kWords{
    Words{W::Title, "Site record", "サイト記録"},
    Words{W::Summary, "Summary", "概要"},
    Words{W::Modules, "modules", "台"},
    Words{W::ModuleList, "Modules", "機器一覧"},
    Words{W::Timeline, "Timeline", "タイムライン"},
    Words{W::TimelineNote, "One bar per module, from its start to its end.",
          "機器ごとに開始から終了までを1本の棒で示します。"},
    Words{W::TimelineInTable, "Each module's start, end and duration are in the table of modules.",
          "各機器の開始・終了・所要時間は機器一覧の表にあります。"},
    Words{W::Longest, "longest", "最長"},
    Words{W::Made, "Made by", "作成:"},
    Words{W::From, "Made from:", "元のファイル:"},
    Words{W::LocalTimes, "times are local", "時刻は現地時刻"},
    Words{W::CommissionReport, "commissioning report", "設定作業レポート"},
    Words{W::BackupManifest, "backup manifest", "バックアップ目録"},
    Words{W::RestoreReport, "restore report", "復元レポート"},
    Words{W::Sheet, "sheet", "シート"},
    Words{W::Run, "Run", "実行"},
    Words{W::Result, "Result", "結果"},
    Words{W::Mac, "MAC", "MACアドレス"},
    Words{W::Product, "Product", "製品"},
    Words{W::Firmware, "Firmware", "ファームウェア"},
    Words{W::Before, "Address before", "変更前IPアドレス"},
    Words{W::After, "Address after", "変更後IPアドレス"},
    Words{W::File, "File", "setuprecordファイル"},
    Words{W::Sha256, "SHA-256", "SHA-256"},
    Words{W::Reason, "Reason", "理由"},
    Words{W::Start, "Start", "開始"},
    Words{W::End, "End", "終了"},
    Words{W::Duration, "Duration", "所要時間"},
    Words{W::Seconds, "s", "秒"},
    Words{W::NoRows, "No module is named in these files.",
          "これらのファイルには機器がありません。"},
    Words{W::AuditReport, "audit report", "照合レポート"},
    Words{W::AuditOf, "Audit against", "基準ファイルとの照合:"},
    Words{W::Address, "Address", "IPアドレス"},
    Words{W::Record, "Record", "record"},
    Words{W::Bytes, "Bytes", "バイト"},
    Words{W::ReferenceBytes, "Reference", "基準ファイル"},
    Words{W::ModuleBytes, "Module", "機器"},
    Words{W::Patterns, "Patterns", "パターン"},
    Words{W::PatternNote,
          "Bytes in which every module differs from the reference: a value each module holds of "
          "its own. They are marked, not repeated, below.",
          "全機器で基準ファイルと異なるバイト (機器ごとの値)。以下では繰り返さず印を付けます。"},
    Words{W::Ignored, "Not compared", "比較対象外"},
    Words{W::Differences, "Differing bytes", "異なるバイト"},
    Words{W::Legend,
          "= same, ≠ differs, ≈ differs only in the patterns, − missing on the module, + not in "
          "the reference, ? not read",
          "= 同じ、≠ 異なる、≈ パターンのみ異なる、− 機器にない、+ 基準ファイルにない、? 読めない"},
    Words{W::AuditSame, "same", "同じ"},
    Words{W::AuditDiffers, "differs", "異なる"},
    Words{W::AuditMissing, "records missing", "record 不足"},
    Words{W::AuditBeyond, "records beyond the reference", "基準ファイルにない record あり"},
    Words{W::AuditUnreadable, "could not be read", "読めない"},
    Words{W::AuditNotFound, "not found", "見つからない"},
    Words{W::InPattern, "pattern", "パターン"},
};

}  // namespace

std::string_view WordOf(HandoverWord word, platform::Language language) {
    return platform::TextIn(kWords, word, language);
}

std::string_view StateName(RowState state, platform::Language language) {
    const bool ja = language == platform::Language::Japanese;
    switch (state) {
        case RowState::Passed:
            return ja ? "成功" : "passed";
        case RowState::Failed:
            return ja ? "失敗" : "failed";
        case RowState::Stopped:
            return ja ? "中止" : "stopped";
        case RowState::NotStarted:
            return ja ? "未実行" : "not started";
    }
    return {};
}

}  // namespace quelvar::site
