// The Site window's words: every control reachable by its own Alt key, and
// the presenter's texts filled in as written.
#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include "app/site_texts.h"
#include "app/site_words.h"

namespace quelvar::testing {
namespace {

// The key after '&' in a caption, as the toolkit reads it; 0 for none.
char AccessKey(std::string_view caption) {
    const std::size_t at = caption.find('&');
    if (at == std::string_view::npos || at + 1 >= caption.size()) return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[at + 1])));
}

TEST(SiteWindowWords, NoTwoControlsShareAnAccessKey) {
    for (platform::Language language : {platform::Language::English, platform::Language::Japanese}) {
        std::map<char, std::string_view> taken;
        for (int word = 0; word <= static_cast<int>(app::SiteWord::ColumnReason); ++word) {
            const std::string_view caption = app::SiteText(static_cast<app::SiteWord>(word), language);
            EXPECT_FALSE(caption.empty()) << "word " << word << " has no caption";
            const char key = AccessKey(caption);
            if (key == 0) continue;
            const auto [it, fresh] = taken.emplace(key, caption);
            EXPECT_TRUE(fresh) << "'" << caption << "' and '" << it->second << "' share Alt+" << key;
        }
    }
}

TEST(SiteWindowWords, MessagesTakeTheirValuesInOrder) {
    EXPECT_EQ(app::SiteSay(app::SiteMessage::Summary, platform::Language::English,
                           {"1", "2", "3", "4"}),
              "1 passed, 2 failed, 3 stopped, 4 not started.");
    // Japanese puts the values elsewhere in the sentence.
    EXPECT_EQ(app::SiteSay(app::SiteMessage::ConfirmCommission, platform::Language::Japanese,
                           {"12", "rack.csv"}),
              "rack.csv に記載された 12 台の機器を設定しますか?");
}

}  // namespace
}  // namespace quelvar::testing
