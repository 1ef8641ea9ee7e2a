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
