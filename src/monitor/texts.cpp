#include "monitor/texts.h"

namespace quelvar::monitor {

const std::string& LoadTransferText(TransferText text, platform::Language language) {
    static const std::string english[] = {
        "The device sent a data line longer than 40 bytes.\nNothing was saved.",
        "The device sent more setup records than fit in a setup record file (4096 bytes).\n"
        "Nothing was saved.",
        "The setup record file could not be written.\nAn existing file of that name was left "
        "unchanged.",
    };
    static const std::string japanese[] = {
        "機器から 40 バイトを超えるデータ行を受信しました。\n保存していません。",
        "機器の setup record が setup record ファイル (4096 バイト) に収まりません。\n"
        "保存していません。",
        "setup record "
        "ファイルを書き込めませんでした。\n同じ名前の既存のファイルは変更していません。",
    };
    const auto index = static_cast<int>(text);
    return language == platform::Language::Japanese ? japanese[index] : english[index];
}

}  // namespace quelvar::monitor
