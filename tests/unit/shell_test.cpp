// The application shell's pure pieces: log cap, strings, language choice,
// dialog geometry.
#include <gtest/gtest.h>

#include <map>

#include "app/dialog_template.h"
#include "app/init_dlg.h"
#include "ops/events.h"
#include "ops/strings.h"
#include "platform/language.h"

namespace quelvar::app {
namespace {

TEST(LogCap, KeepsTheLast65536Characters) {
    std::string log(65530, 'a');
    ops::AppendCapped(log, "0123456789");
    EXPECT_EQ(log.size(), 65536u);
    EXPECT_EQ(log.substr(0, 3), "aaa");
    EXPECT_EQ(log.substr(log.size() - 10), "0123456789");

    std::string exact(65526, 'b');
    ops::AppendCapped(exact, "0123456789");
    EXPECT_EQ(exact.size(), 65536u);
    EXPECT_EQ(exact[0], 'b');

    std::string big(70000, 'c');
    big.back() = 'z';
    std::string fresh = "old";
    ops::AppendCapped(fresh, big);
    EXPECT_EQ(fresh.size(), 65536u);
    EXPECT_EQ(fresh.find("old"), std::string::npos);
    EXPECT_EQ(fresh.back(), 'z');
}

TEST(Strings, BothLanguagesHaveEveryString) {
    using platform::Language;
    EXPECT_EQ(ops::LoadString(ops::StringId::TelnetNotInstalled, Language::English),
              "Telnet is not installed. ");
    EXPECT_EQ(ops::LoadString(ops::StringId::ConfirmSetIpAddress, Language::English),
              "Assign the IP address to the device.\nDo you confirm?");
    EXPECT_EQ(ops::LoadString(ops::StringId::NotFound, Language::Japanese), "発見できませんでした。");
    for (int id = 103; id <= 109; ++id) {
        EXPECT_FALSE(ops::LoadString(static_cast<ops::StringId>(id), Language::English).empty()) << id;
        EXPECT_FALSE(ops::LoadString(static_cast<ops::StringId>(id), Language::Japanese).empty()) << id;
    }
}

TEST(Language, FirstSetVariableDecides) {
    auto languageOf = [](std::map<std::string, std::string> variables) {
        return platform::languageFromEnvironment(
            [&](const char* name) -> std::optional<std::string> {
                auto it = variables.find(name);
                if (it == variables.end()) return std::nullopt;
                return it->second;
            });
    };
    using platform::Language;
    EXPECT_EQ(languageOf({}), Language::English);
    EXPECT_EQ(languageOf({{"LANG", "ja_JP.UTF-8"}}), Language::Japanese);
    EXPECT_EQ(languageOf({{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", "C"}}), Language::English);
    EXPECT_EQ(languageOf({{"LANGUAGE", "ja:en"}, {"LC_ALL", "en_US.UTF-8"}}), Language::Japanese);
    EXPECT_EQ(languageOf({{"LANGUAGE", ""}, {"LC_MESSAGES", "ja_JP"}}), Language::Japanese);
}

TEST(DialogTemplate, ControlsInTabOrderWithBothCaptions) {
    auto controls = MainDialogControls();
    ASSERT_EQ(controls.size(), 20u);
    EXPECT_EQ(controls.front().id, 1001);
    EXPECT_EQ(controls.back().id, 1022);
    EXPECT_STREQ(controls[0].caption(platform::Language::Japanese), "検索(&S)");
    EXPECT_STREQ(controls[3].caption(platform::Language::English), "&Save setuprecord");
    EXPECT_EQ(MainDialogSize(platform::Language::English).width, 392);
    EXPECT_EQ(MainDialogSize(platform::Language::Japanese).height, 315);
    // 8-point sans: 6-pixel average width, 13-pixel height.
    EXPECT_EQ(DialogUnitsToPixelsX(392, 6), 588);
    EXPECT_EQ(DialogUnitsToPixelsY(329, 13), 535);
}

TEST(RecordFolder, IsTheExecutablesFolderWithOneSeparator) {
    EXPECT_EQ(RecordFolderOf("/opt/quelvar/QUELVARinit"), "/opt/quelvar/");
    EXPECT_EQ(RecordFolderOf("/QUELVARinit"), "/");
}

}  // namespace
}  // namespace quelvar::app
