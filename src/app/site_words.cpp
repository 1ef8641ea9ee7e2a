#include "app/site_words.h"

#include <array>

namespace quelvar::app {

namespace {

using W = SiteWord;
using Words = platform::Bilingual<SiteWord>;

// The Japanese captions keep the main window's terms (機器, IPアドレス,
// setuprecordファイル) and its way of marking access keys: "(&K)" at the end.
constexpr std::array kWords{
    Words{W::Title, "QUELVARinit Site", "QUELVARinit サイト"},
    Words{W::TaskGroup, "Task", "作業"},
    Words{W::TaskCommission, "&Commission from a sheet", "シートから設定(&C)"},
    Words{W::TaskBackup, "&Back up the site", "サイトをバックアップ(&B)"},
    Words{W::TaskRestore, "&Restore a backup", "バックアップから復元(&R)"},
    Words{W::TaskAudit, "Au&dit against a reference", "基準ファイルと比較(&D)"},
    Words{W::SheetLabel, "S&heet:", "シート(&H):"},
    Words{W::BackupToLabel, "Back up &into:", "保存先フォルダ(&I):"},
    Words{W::RestoreFromLabel, "Restore &from:", "復元元フォルダ(&F):"},
    Words{W::ReferenceLabel, "Compare &with:", "基準ファイル(&W):"},
    Words{W::Browse, "Br&owse...", "参照(&O)..."},
    Words{W::OptionsGroup, "Options", "オプション"},
    Words{W::RangeLabel, "Address ra&nge:", "IPアドレス範囲(&N):"},
    Words{W::RangeHint, "empty: search every adapter; or 192.168.1.10-192.168.1.200",
          "空欄: すべてのアダプタで検索。例: 192.168.1.10-192.168.1.200"},
    Words{W::Verify, "&Verify: read back and compare", "検証: 読み戻して比較(&V)"},
    Words{W::JobsLabel, "&Modules at once:", "同時に処理する機器数(&M):"},
    Words{W::JobsAll, "all", "すべて"},
    Words{W::ReportLabel, "Re&port:", "レポート(&P):"},
    Words{W::ResumeLabel, "Res&ume from:", "再開元レポート(&U):"},
    Words{W::ModulesLabel, "Modu&les from:", "対象機器(&L):"},
    Words{W::ModulesHint, "empty: the modules found; or a sheet (.csv) or a backup folder",
          "空欄: 検索で見つかった機器。またはシート(.csv)かバックアップフォルダ"},
    Words{W::BrowseReport, "...", "..."},
    Words{W::BrowseResume, "...", "..."},
    Words{W::Check, "Chec&k", "確認(&K)"},
    Words{W::Start, "&Start", "開始(&S)"},
    Words{W::Stop, "S&top", "中止(&T)"},
    Words{W::OpenPage, "Open h&andover page", "引き渡しページを開く(&A)"},
    Words{W::OpenSheet, "Op&en CSV", "CSVを開く(&E)"},
    Words{W::Close, "Close", "閉じる"},
    Words{W::AuditPane, "Differences", "相違点"},
    Words{W::ColumnMac, "MAC", "MACアドレス"},
    Words{W::ColumnBefore, "Address before", "変更前IPアドレス"},
    Words{W::ColumnAfter, "Address after", "変更後IPアドレス"},
    Words{W::ColumnFile, "File", "setuprecordファイル"},
    Words{W::ColumnStep, "Step", "手順"},
    Words{W::ColumnProgress, "Progress", "進行状況"},
    Words{W::ColumnResult, "Result", "結果"},
    Words{W::ColumnReason, "Reason", "理由"},
    Words{W::TableName, "Modules", "機器一覧"},
    Words{W::NotesName, "Messages", "メッセージ"},
};

}  // namespace

std::string_view SiteText(SiteWord word, platform::Language language) {
    return platform::TextIn(kWords, word, language);
}

SiteWord SourceCaption(SiteTask task) {
    switch (task) {
        case SiteTask::Backup:
            return SiteWord::BackupToLabel;
        case SiteTask::Restore:
            return SiteWord::RestoreFromLabel;
        case SiteTask::Audit:
            return SiteWord::ReferenceLabel;
        case SiteTask::Commission:
            break;
    }
    return SiteWord::SheetLabel;
}

SiteWord ResumeCaption(SiteTask task) {
    return task == SiteTask::Audit ? SiteWord::ModulesLabel : SiteWord::ResumeLabel;
}

}  // namespace quelvar::app
