#include "ops/strings.h"

namespace quelvar::ops {

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

}  // namespace quelvar::ops
