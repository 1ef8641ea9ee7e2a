#include "app/site_texts.h"

#include <array>

namespace quelvar::app {

namespace {

using M = SiteMessage;
using Texts = platform::Bilingual<SiteMessage>;

constexpr std::array kTexts{
    Texts{M::ChooseSheet, "Choose a sheet first.", "シートを選んでください。"},
    Texts{M::ChooseFolder, "Choose a folder first.", "フォルダを選んでください。"},
    Texts{M::RangeBad, "Address range: %1", "IPアドレス範囲: %1"},
    Texts{M::Checked, "%1 module(s) to work on; nothing has been sent yet.",
          "対象の機器は %1 台です。まだ何も送信していません。"},
    Texts{M::Searching, "Searching...", "検索中..."},
    Texts{M::Found, "%1 module(s) answered the search.", "%1 台の機器が検索に応答しました。"},
    Texts{M::SearchFailed, "The search could not be made: %1", "検索できませんでした: %1"},
    Texts{M::NoneFound, "No module answered the search.", "検索に応答した機器はありません。"},
    Texts{M::ConfirmCommission, "Commission %1 module(s) listed in %2?",
          "%2 に記載された %1 台の機器を設定しますか?"},
    Texts{M::ConfirmBackup, "Back up %1 module(s) into %2?",
          "%1 台の機器を %2 にバックアップしますか?"},
    Texts{M::BackupThere,
          "A backup is there already: the files of these modules are replaced, and the other "
          "modules keep theirs.",
          "このフォルダには既にバックアップがあります。これらの機器のファイルは置き換えられ、"
          "他の機器のファイルはそのまま残ります。"},
    Texts{M::ConfirmRestore, "Restore %1 module(s) from %2?",
          "%2 から %1 台の機器を復元しますか?"},
    Texts{M::ConfirmStop,
          "Stop the run?\n\nNo further module starts. Modules under way end after their current "
          "step: those being written to finish writing their records first, so none is left "
          "half written.",
          "実行を中止しますか?\n\n新しい機器は開始しません。処理中の機器は現在の手順を終えてから"
          "止まります。書き込み中の機器は途中で止めず、書き込みを終えてから止まります。"},
    Texts{M::Stopping,
          "Stopping: no further module starts; %1 module(s) being written finish writing first.",
          "中止しています: 新しい機器は開始しません。書き込み中の %1 台は書き込みを終えてから止まります。"},
    Texts{M::ClosesAfterRun, "The window closes once the run has ended.",
          "実行が終わるとウィンドウを閉じます。"},
    Texts{M::Running, "Running: %1 of %2 ended, %3 under way.",
          "実行中: %2 台中 %1 台終了、%3 台処理中"},
    Texts{M::Summary, "%1 passed, %2 failed, %3 stopped, %4 not started.",
          "成功 %1、失敗 %2、中止 %3、未実行 %4。"},
    Texts{M::Done, "Done: %1", "完了: %1"},
    Texts{M::Stopped, "Stopped: %1", "中止しました: %1"},
    Texts{M::ReportWritten, "Report: %1", "レポート: %1"},
    Texts{M::ReportNotWritten, "Cannot write the report %1.", "レポート %1 を書き込めません。"},
    Texts{M::ManifestWritten, "Manifest: %1", "バックアップ目録: %1"},
    Texts{M::ManifestNotWritten, "Cannot write %1.", "%1 を書き込めません。"},
    Texts{M::PageWritten, "Handover page: %1 and %2", "引き渡しページ: %1 と %2"},
    Texts{M::HandoverNotWritten, "Cannot write the handover page: %1",
          "引き渡しページを書き込めません: %1"},
    Texts{M::SheetDialogTitle, "Choose the sheet", "シートの選択"},
    Texts{M::BackupDialogTitle, "Choose the folder to back up into",
          "バックアップ先フォルダの選択"},
    Texts{M::RestoreDialogTitle, "Choose the folder of a backup",
          "バックアップのフォルダの選択"},
    Texts{M::ReportDialogTitle, "The report to keep", "レポートの保存先"},
    Texts{M::ResumeDialogTitle, "The report of the run to resume", "再開する実行のレポート"},
    Texts{M::SheetFilter, "Sheets (*.csv)", "シート (*.csv)"},
    Texts{M::ReportFilter, "Reports (*.json)", "レポート (*.json)"},
    Texts{M::Waiting, "waiting", "待機中"},
    Texts{M::Running1, "running", "実行中"},
    Texts{M::ChooseReference, "Choose the reference file first.", "基準ファイルを選んでください。"},
    Texts{M::ConfirmAudit, "Read the setup records of %1 module(s) and compare them with %2?",
          "%1 台の機器の setup record を読み出して %2 と比較しますか?"},
    Texts{M::AuditDone, "Compared: %1", "比較しました: %1"},
    Texts{M::AuditStopped, "Stopped: %1", "中止しました: %1"},
    Texts{M::AuditLegend,
          "= same   \xE2\x89\xA0 differs   \xE2\x89\x88 differs only where every module does   "
          "\xE2\x88\x92 missing   + beyond the reference   ? not read",
          "= 同じ   \xE2\x89\xA0 異なる   \xE2\x89\x88 全機器に共通の相違のみ   "
          "\xE2\x88\x92 なし   + 基準ファイルにない record   ? 読めず"},
    Texts{M::AuditSelect, "Select a module's line to see the bytes in which it differs.",
          "機器の行を選ぶと、異なるバイトを表示します。"},
    Texts{M::ReferenceDialogTitle, "Choose the reference file", "基準ファイルの選択"},
    Texts{M::ModulesDialogTitle, "The modules to compare: a sheet, or a backup's backup.json",
          "比較する機器: シート、またはバックアップの backup.json"},
    Texts{M::RecordFilter, "Setup record files (*.rec)", "setuprecordファイル (*.rec)"},
    Texts{M::BackupFilter, "Backups (backup.json)", "バックアップ (backup.json)"},
};

}  // namespace

std::string SiteSay(SiteMessage message, platform::Language language,
                    std::initializer_list<std::string_view> values) {
    return platform::FillIn(platform::TextIn(kTexts, message, language), values);
}

}  // namespace quelvar::app
