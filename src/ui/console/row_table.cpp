#include "ui/console/row_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <ostream>

#include "site/handover_words.h"

namespace quelvar::ui::console {

namespace {

using T = TableText;
using Texts = platform::Bilingual<TableText>;

constexpr std::array kTexts{
    Texts{T::Row, "ROW", "行"},
    Texts{T::Line, "LINE", "シート行"},
    Texts{T::Mac, "MAC", "MACアドレス"},
    Texts{T::Address, "ADDRESS", "IPアドレス"},
    Texts{T::Result, "RESULT", "結果"},
    Texts{T::Detail, "DETAIL", "詳細"},
    Texts{T::RowsPassed, "%1 of %2 row(s) passed", "%2 行中 %1 行成功"},
    Texts{T::ModulesSaved, "%1 of %2 module(s) saved", "%2 台中 %1 台を保存"},
    Texts{T::ModulesRestored, "%1 of %2 module(s) restored", "%2 台中 %1 台を復元"},
    Texts{T::Stopping,
          "stopping: rows under way end after their current step (Ctrl+C again to quit at once)",
          "中止しています: 処理中の行は現在の手順を終えてから止まります "
          "(すぐに終了するにはもう一度 Ctrl+C)"},
    Texts{T::StillWriting,
          "records are being written into %1: quitting now leaves them half written and not "
          "reset. The run ends once they are written; Ctrl+C a third time quits anyway.",
          "%1 に setup record を書き込み中です: 今終了すると書き込み途中のままリセットされません。"
          "書き込みが終わると実行は終了します。それでも終了するには 3 回目の Ctrl+C を押してください。"},
    Texts{T::ConfirmCommission, "Commission %1 module(s) listed in %2?",
          "%2 に記載された %1 台の機器を設定しますか?"},
    Texts{T::ConfirmRestore, "Restore %1 module(s) from %2?", "%2 から %1 台の機器を復元しますか?"},
    Texts{T::SkippingRow, "skipping row %1 (line %2, %3): passed in %4",
          "%1 行目 (シート %2 行目、%3) は %4 で成功済みのため実行しません"},
    Texts{T::ReplaceBackup, "give --yes to replace that backup, or another folder",
          "そのバックアップを置き換えるには --yes を、そうでなければ別のフォルダを指定してください"},
    Texts{T::ReplaceFiles, "give --yes to replace the files that are there already",
          "既にあるファイルを置き換えるには --yes を指定してください"},
};

// The columns a text takes on a terminal: East Asian wide characters two,
// every other character one (UTF-8 continuation bytes none).
std::size_t columnsOf(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) continue;
        // Three-byte sequences from U+1100 on hold the wide scripts this tool writes.
        columns += (byte >= 0xE1 && byte <= 0xEF) ? 2 : 1;
    }
    return columns;
}

// `text` and spaces to `width` columns, and one more to part it from the next.
void cell(std::ostream& out, std::string_view text, int width) {
    out << text;
    const std::size_t used = columnsOf(text);
    const std::size_t wanted = static_cast<std::size_t>(width);
    out << std::string(used < wanted ? wanted - used : 0, ' ') << ' ';
}

}  // namespace

std::string_view TableTextIn(TableText text, platform::Language language) {
    return platform::TextIn(kTexts, text, language);
}

// A failed or stopped row stands out in capitals; a row not started is "-".
std::string TableWord(site::RowState state, platform::Language language) {
    if (state == site::RowState::NotStarted) return "-";
    if (language == platform::Language::Japanese) return std::string(site::StateName(state, language));
    std::string word(site::StateWord(state));
    if (state != site::RowState::Passed) {
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    return word;
}

void PrintRowTable(std::ostream& out, platform::Language language,
                   const std::vector<TableColumn>& columns, const std::vector<TableRow>& rows,
                   TableText passedWhat) {
    cell(out, TableTextIn(T::Row, language), 4);
    for (const TableColumn& column : columns) {
        cell(out, TableTextIn(column.heading, language), column.width);
    }
    cell(out, TableTextIn(T::Result, language), 6);
    out << TableTextIn(T::Detail, language) << '\n';
    std::size_t passed = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const site::RowResult& result = *rows[i].result;
        if (result.passed()) ++passed;
        cell(out, std::to_string(i + 1), 4);
        for (std::size_t c = 0; c < columns.size(); ++c) cell(out, rows[i].cells[c], columns[c].width);
        cell(out, TableWord(result.state, language), 6);
        out << result.words(language) << '\n';
    }
    out << platform::FillIn(TableTextIn(passedWhat, language),
                            {std::to_string(passed), std::to_string(rows.size())})
        << '\n';
    out.flush();
}

}  // namespace quelvar::ui::console
