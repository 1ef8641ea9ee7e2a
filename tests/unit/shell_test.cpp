// The application shell's pure pieces: log cap, language choice, record folder.
#include <gtest/gtest.h>

#include <map>

#include "app/init_dlg.h"
#include "ops/events.h"
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

TEST(RecordFolder, IsTheExecutablesFolderWithOneSeparator) {
    EXPECT_EQ(RecordFolderOf("/opt/quelvar/QUELVARinit"), "/opt/quelvar/");
    EXPECT_EQ(RecordFolderOf("/QUELVARinit"), "/");
}

}  // namespace
}  // namespace quelvar::app
