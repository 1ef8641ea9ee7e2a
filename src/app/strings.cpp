#include "app/strings.h"

namespace quelvar::app {

namespace {

struct Entry {
    StringId id;
    std::string english;
    std::string japanese;
};

const Entry kTable[] = {
    {StringId::SocketStartupFailed, "Windows sockets initialization failed.",
     "Windows ｿｹｯﾄの初期化に失敗しました。"},
    {StringId::NotFound, "not found.", "発見できませんでした。"},
    {StringId::Done, "done.", "完了しました。"},
    {StringId::TelnetNotInstalled, "Telnet is not installed. ",
     "Telnetがインストールされていません。"},
    {StringId::DeviceCannotCommunicate, "The device cannot communicate.",
     "デバイスは通信できません。"},
    {StringId::ConfirmSetIpAddress, "Assign the IP address to the device.\nDo you confirm?",
     "IPアドレスを設定します。\n本当に実行しますか？"},
    {StringId::ConfirmApplySetupRecord, "Apply the setup record to the device.\nDo you confirm?",
     "設定データを書き込みます。\n本当に実行しますか？"},
};

}  // namespace

const std::string& LoadString(StringId id, platform::Language language) {
    for (const Entry& entry : kTable) {
        if (entry.id == id) {
            return language == platform::Language::Japanese ? entry.japanese : entry.english;
        }
    }
    static const std::string empty;
    return empty;
}

const std::string& LoadToolText(ToolText text, platform::Language language) {
    static const std::string english[] = {
        "The device did not send the expected answer: it fell silent, or sent other text for "
        "too long.",
        "The device sent a data line longer than 40 bytes.\nNothing was saved.",
        "The device sent more setup records than fit in a setup record file (4096 bytes).\n"
        "Nothing was saved.",
        "The setup record file could not be written.\nAn existing file of that name was left "
        "unchanged.",
        "Another device ({mac}) already answers at {address}.\nThe IP address was not assigned.",
        "The device sent a setup record of the wrong size (record 0 has 120 bytes, the others "
        "126).\nNothing was saved.",
    };
    static const std::string japanese[] = {
        "デバイスが期待した応答を返しませんでした (応答が途絶えたか、別のデータを送り続けました)。",
        "機器から 40 バイトを超えるデータ行を受信しました。\n保存していません。",
        "機器の setup record が setup record ファイル (4096 バイト) に収まりません。\n"
        "保存していません。",
        "setup record "
        "ファイルを書き込めませんでした。\n同じ名前の既存のファイルは変更していません。",
        "別のデバイス ({mac}) が {address} で応答しています。\nIPアドレスは設定していません。",
        "機器からサイズの正しくない setup record を受信しました (record 0 は 120 バイト、"
        "その他は 126 バイト)。\n保存していません。",
    };
    const auto index = static_cast<std::size_t>(text);
    return language == platform::Language::Japanese ? japanese[index] : english[index];
}

}  // namespace quelvar::app
