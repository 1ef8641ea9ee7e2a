#include "ops/messages.h"

#include "platform/socket.h"

namespace quelvar::ops {

namespace {

// The tool's own wordings for failures the string table has no entry for.
struct ToolText {
    const char* english;
    const char* japanese;
};

constexpr ToolText kWaitFailed{
    "The device did not send the expected answer: it fell silent, or sent other text for "
    "too long.",
    "デバイスが期待した応答を返しませんでした (応答が途絶えたか、別のデータを送り続けました)。"};
constexpr ToolText kLineTooLong{
    "The device sent a data line longer than 40 bytes.\nNothing was saved.",
    "機器から 40 バイトを超えるデータ行を受信しました。\n保存していません。"};
constexpr ToolText kImageFull{
    "The device sent more setup records than fit in a setup record file (4096 bytes).\n"
    "Nothing was saved.",
    "機器の setup record が setup record ファイル (4096 バイト) に収まりません。\n"
    "保存していません。"};
constexpr ToolText kWriteFailed{
    "The setup record file could not be written.\nAn existing file of that name was left "
    "unchanged.",
    "setup record "
    "ファイルを書き込めませんでした。\n同じ名前の既存のファイルは変更していません。"};
constexpr ToolText kAddressInUse{
    "Another device ({mac}) already answers at {address}.\nThe IP address was not assigned.",
    "別のデバイス ({mac}) が {address} で応答しています。\nIPアドレスは設定していません。"};
constexpr ToolText kAddressInUseUnnamed{
    "Another device already answers at {address}; it does not say which.\n"
    "The IP address was not assigned.",
    "別のデバイスが {address} で応答しています (機器を特定できません)。\n"
    "IPアドレスは設定していません。"};
constexpr ToolText kAddressHeldQuietly{
    "Another device (hardware address {mac}) already holds {address}: it answered the network's "
    "address resolution, though no module request.\nThe IP address was not assigned.",
    "別のデバイス (ハードウェアアドレス {mac}) が {address} を使用しています "
    "(アドレス解決には応答しましたが、機器への問い合わせには応答しません)。\n"
    "IPアドレスは設定していません。"};
constexpr ToolText kAddressHeldRefusing{
    "Another device already holds {address}: it refused the query (port unreachable).\n"
    "The IP address was not assigned.",
    "別のデバイスが {address} を使用しています (問い合わせを拒否しました)。\n"
    "IPアドレスは設定していません。"};
constexpr ToolText kAddressHeldLately{
    "Another device (hardware address {mac}) answered for {address} {seconds} s ago. Whether it "
    "still holds the address can be told only once the system asks again, within a minute.\n"
    "The IP address was not assigned.",
    "別のデバイス (ハードウェアアドレス {mac}) が {seconds} 秒前に {address} に応答しました。"
    "まだ使用中かどうかは、システムが再確認するまで (1 分以内) 判断できません。\n"
    "IPアドレスは設定していません。"};
constexpr ToolText kAddressCheckFailed{
    "Could not check whether {address} is free: {reason}; nothing sent.",
    "{address} が空いているか確認できませんでした: {reason}。何も送信していません。"};
constexpr ToolText kWrongRecordSize{
    "The device sent a setup record of the wrong size (record 0 has 120 bytes, the others "
    "126).\nNothing was saved.",
    "機器からサイズの正しくない setup record を受信しました (record 0 は 120 バイト、"
    "その他は 126 バイト)。\n保存していません。"};

std::string textOf(const ToolText& text, platform::Language language) {
    return language == platform::Language::Japanese ? text.japanese : text.english;
}

void fill(std::string& text, std::string_view field, const std::string& value) {
    if (auto at = text.find(field); at != std::string::npos) text.replace(at, field.size(), value);
}

Message result(std::string text) { return {MessageKind::ResultText, std::move(text)}; }
Message warning(std::string text) { return {MessageKind::Warning, std::move(text)}; }

std::string socketErrorText(int code, platform::Language language) {
    if (code == -1) return textOf(kWaitFailed, language);
    return ReasonOf(code);
}

}  // namespace

std::optional<Message> MessageFor(const Outcome& outcome, platform::Language language) {
    switch (outcome.kind) {
        case OutcomeKind::DeviceNotAnswering:
            return warning(LoadString(StringId::DeviceCannotCommunicate, language));
        case OutcomeKind::NotFound: return result(LoadString(StringId::NotFound, language));
        case OutcomeKind::TelnetNotInstalled:
            return warning(LoadString(StringId::TelnetNotInstalled, language));
        case OutcomeKind::SocketError: return result(socketErrorText(outcome.code, language));
        case OutcomeKind::OpenError: return result("OpenError");
        case OutcomeKind::ReadError: return result("ReadError");
        case OutcomeKind::EchoMissing: return result("WaitStringError");
        case OutcomeKind::RecordRefused: return result("TelnetError");
        case OutcomeKind::WriteError: return result(textOf(kWriteFailed, language));
        case OutcomeKind::LineTooLong: return result(textOf(kLineTooLong, language));
        case OutcomeKind::ImageFull: return result(textOf(kImageFull, language));
        case OutcomeKind::WrongRecordSize: return result(textOf(kWrongRecordSize, language));
        case OutcomeKind::AddressInUse: {
            const ToolText* wording = &kAddressInUseUnnamed;
            switch (outcome.holder) {
                case AddressHolderKind::Module: wording = &kAddressInUse; break;
                case AddressHolderKind::Station: wording = &kAddressHeldQuietly; break;
                case AddressHolderKind::Refusing: wording = &kAddressHeldRefusing; break;
                case AddressHolderKind::Unnamed: break;
            }
            std::string text = textOf(*wording, language);
            fill(text, "{mac}", discovery::FormatMac(outcome.mac));
            fill(text, "{address}", platform::formatIpv4(outcome.address));
            return warning(std::move(text));
        }
        case OutcomeKind::AddressHeldLately: {
            std::string text = textOf(kAddressHeldLately, language);
            fill(text, "{mac}", discovery::FormatMac(outcome.mac));
            fill(text, "{address}", platform::formatIpv4(outcome.address));
            fill(text, "{seconds}", std::to_string(outcome.code));
            return warning(std::move(text));
        }
        case OutcomeKind::AddressCheckFailed: {
            std::string text = textOf(kAddressCheckFailed, language);
            fill(text, "{address}", platform::formatIpv4(outcome.address));
            fill(text, "{reason}", ReasonOf(outcome.code));
            return warning(std::move(text));
        }
        default: return std::nullopt;
    }
}

}  // namespace quelvar::ops
