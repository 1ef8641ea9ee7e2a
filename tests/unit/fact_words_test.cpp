// The one table that words what runs found out: every kind worded in both
// languages, its name stable, causes in their place; and reasons as files
// keep them, including files written before kinds.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "ops/facts.h"
#include "site/reason_json.h"

namespace quelvar::ops {
namespace {

using platform::Language;

constexpr int kFirst = static_cast<int>(FactKind::Text);
constexpr int kLast = static_cast<int>(FactKind::StoppedByUser);

// Values enough for every kind, so that each placeholder is filled.
Fact sample(FactKind kind) { return {kind, {"1", "2", "3", "4", "5", "6", "7"}}; }

TEST(FactWordsTest, EveryKindHasANameAndWordsInBothLanguages) {
    std::set<std::string_view> names;
    // Latin letters a Japanese text may keep: the protocol's and the product's terms.
    const std::regex kept("setup record|record|IP-SETUP|IP|PC|telnet|MAC|JSON|SHA|KiB");
    for (int k = kFirst; k <= kLast; ++k) {
        const auto kind = static_cast<FactKind>(k);
        const std::string_view name = KindName(kind);
        EXPECT_TRUE(names.insert(name).second) << "two kinds are named " << name;
        EXPECT_EQ(KindNamed(name), kind) << name;

        const std::string english = WordsOf(sample(kind), Language::English);
        const std::string japanese = WordsOf(sample(kind), Language::Japanese);
        EXPECT_FALSE(english.empty()) << name;
        // A file's name before what is wrong with it reads alike in both.
        if (kind != FactKind::Text && kind != FactKind::InSheet) {
            EXPECT_NE(english, japanese) << name << " has no Japanese words";
        }
        EXPECT_EQ(english.find('%'), std::string::npos) << name << ": " << english;
        const std::string letters = std::regex_replace(japanese, kept, "");
        EXPECT_FALSE(std::regex_search(letters, std::regex("[A-Za-z]")))
            << name << " keeps English words in Japanese: " << japanese;
    }
    EXPECT_EQ(KindNamed("no-such-kind"), std::nullopt);
}

TEST(FactWordsTest, ACauseStandsInItsPlaceAndFactsAreJoined) {
    const Reason reason{{FactKind::AddressChanged, {"127.0.0.2", "127.0.0.20"}},
                        {FactKind::LoadFailed, {"door-3.rec"}},
                        FactOf(Failed(OutcomeKind::SocketError, 111)),
                        {FactKind::LogNotWritten, {}}};
    const std::string english = WordsOf(reason, Language::English);
    EXPECT_EQ(english.rfind("ip 127.0.0.2 -> 127.0.0.20; load door-3.rec: socket error 111", 0), 0u)
        << english;
    EXPECT_EQ(english.substr(english.size() - 17), "; log not written") << english;
    const std::string japanese = WordsOf(reason, Language::Japanese);
    EXPECT_EQ(japanese.rfind("IPアドレス 127.0.0.2 → 127.0.0.20、door-3.rec の書き込み: ソケットエラー 111", 0),
              0u)
        << japanese;
    EXPECT_EQ(DecidingKind(reason), FactKind::LogNotWritten);

    const Reason differs{{FactKind::VerifyDiffers, {"2"}},
                         {FactKind::RecordBytes, {"3", "1", "63", "02", "58"}}};
    EXPECT_EQ(WordsOf(differs, Language::English),
              "verify: 2 record(s) differ (record 3: 1 byte(s) differ, first at 63 (file 02, "
              "module 58))");
    // A cause that never came leaves its place empty, not the placeholder.
    EXPECT_EQ(WordsOf(Fact{FactKind::NotSavedAgain, {}}, Language::English), "not saved again: ");

    EXPECT_EQ(WordsOf(Fact{FactKind::RecordsHeld, {"0, 2-5", "6", "m.rec"}}, Language::English),
              "records 0, 2-5 of m.rec written and record 6 may have been, not reset: apply the "
              "file again");
    EXPECT_EQ(WordsOf(Fact{FactKind::RecordsHeld, {"", "", "m.rec"}}, Language::Japanese),
              "m.rec の record は書き込まれていません。リセットしていません: "
              "ファイルをもう一度書き込んでください");
}

TEST(FactWordsTest, FilesKeepFactsAndReadTheirWordsWhereFactsDoNotRead) {
    const Reason reason{{FactKind::SetIpFailed, {"127.0.0.2", "127.0.0.20"}},
                        FactOf([] {
                            Outcome held = Failed(OutcomeKind::AddressInUse);
                            held.holder = AddressHolderKind::Refusing;
                            return held;
                        }())};
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    site::PutReason(row, reason);
    EXPECT_EQ(row["kind"], "address-held-refusing");
    EXPECT_EQ(row["reason"], WordsOf(reason, Language::English));
    EXPECT_EQ(site::ReasonField(nlohmann::json::parse(row.dump())), reason);

    // Written before kinds, or by a later tool with a kind this one does not know.
    const auto older = nlohmann::json::parse(R"({"reason": "not found"})");
    EXPECT_EQ(site::ReasonField(older), ReasonFromText("not found"));
    auto later = nlohmann::json::parse(row.dump());
    later["facts"][1]["kind"] = "held-by-a-ghost";
    EXPECT_EQ(WordsOf(site::ReasonField(later), Language::Japanese), row["reason"]);
    later["facts"] = "not a list";
    EXPECT_EQ(WordsOf(site::ReasonField(later), Language::English), row["reason"]);
    EXPECT_TRUE(site::ReasonField(nlohmann::json::parse("{}")).empty());
}

}  // namespace
}  // namespace quelvar::ops
