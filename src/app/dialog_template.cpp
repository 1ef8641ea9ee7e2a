#include "app/dialog_template.h"

namespace quelvar::app {

namespace {

using K = ControlKind;

// id, kind, English caption, Japanese caption, English rect, Japanese rect,
// tab stop, hidden, right-aligned, sunken
constexpr DialogControl kControls[] = {
    {1001, K::PushButton, "&Search", "検索(&S)", {5, 5, 180, 20}, {5, 5, 165, 20}, true, false, false, false},
    {0, K::Label, "&Device:", "機器(&D):", {5, 30, 60, 10}, {5, 30, 35, 10}, false, false, false, false},
    {1002, K::ListBox, "", "", {5, 40, 180, 140}, {5, 40, 165, 125}, true, false, false, false},
    {1007, K::PushButton, "&Save setuprecord", "setuprecord保存(&S)", {5, 185, 180, 20}, {5, 170, 165, 20}, true, false, false, false},
    {0, K::GroupBox, "", "", {5, 231, 180, 65}, {5, 215, 165, 65}, false, false, false, false},
    {0, K::Label, "I&P address:", "I&P address:", {10, 240, 100, 8}, {10, 225, 100, 8}, false, false, false, false},
    {1013, K::IpAddress, "", "", {10, 250, 170, 15}, {10, 235, 155, 15}, true, false, false, false},
    {1016, K::PushButton, "Set &IP address", "IPアドレス設定(&I)", {10, 271, 170, 20}, {10, 256, 155, 20}, true, false, false, false},
    {0, K::Label, "setuprecord file f&older:", "setuprecordファイルフォルダ(&O):", {195, 5, 115, 10}, {180, 5, 115, 10}, false, false, false, false},
    {1010, K::Label, "", "", {205, 15, 165, 35}, {190, 15, 150, 35}, false, false, false, true},
    {1009, K::PushButton, "...", "...", {375, 35, 11, 14}, {345, 35, 11, 14}, true, false, false, false},
    {0, K::Label, "setuprecord &files:", "setuprecordファイル(&F):", {195, 55, 125, 10}, {180, 55, 130, 10}, false, false, false, false},
    {1003, K::ListBox, "", "", {205, 65, 180, 205}, {190, 65, 165, 185}, true, false, false, false},
    {1004, K::PushButton, "&Load setuprecord", "setuprecord書き込み(&L)", {205, 275, 180, 20}, {190, 260, 165, 20}, true, false, false, false},
    {1006, K::Edit, "", "", {185, 276, 15, 20}, {175, 205, 15, 20}, false, true, false, false},
    {1017, K::ProgressBar, "", "", {5, 300, 380, 14}, {5, 285, 350, 14}, false, false, false, false},
    {1018, K::PushButton, "&Telnet...", "Telnet(&T)...", {5, 210, 65, 20}, {5, 195, 65, 20}, true, false, false, false},
    {1019, K::PushButton, "&Web manager...", "Webマネージャ(&W)...", {120, 210, 65, 20}, {105, 195, 65, 20}, true, false, false, false},
    {0, K::Label, "Version", "Version", {340, 315, 25, 8}, {305, 300, 23, 8}, false, false, false, false},
    {1022, K::Label, "", "", {365, 315, 20, 8}, {335, 300, 20, 8}, false, false, true, false},
};

}  // namespace

std::span<const DialogControl> MainDialogControls() { return kControls; }

DialogSize MainDialogSize(platform::Language language) {
    return language == platform::Language::Japanese ? DialogSize{363, 315} : DialogSize{392, 329};
}

DialogFont MainDialogFont(platform::Language language) {
    return language == platform::Language::Japanese ? DialogFont{"ＭＳ Ｐゴシック", 9}
                                                    : DialogFont{"MS Sans Serif", 8};
}

std::string ActivityLogWindowTitle(platform::Language language, std::string_view applicationName) {
    std::string title =
        language == platform::Language::Japanese ? "動作ログ - " : "Activity log - ";
    title += applicationName;
    return title;
}

int DialogUnitsToPixelsX(int units, int averageCharWidth) {
    return (units * averageCharWidth + 2) / 4;
}

int DialogUnitsToPixelsY(int units, int charHeight) { return (units * charHeight + 4) / 8; }

}  // namespace quelvar::app
