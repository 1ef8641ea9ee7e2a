// Names outside the ANSI code page (Japanese here) through every place where
// the core turns a UTF-8 text into a file name and back, and the Win32 forms
// of the platform's small helpers.
#include <gtest/gtest.h>

#include <fstream>

#include "app/init_dlg.h"
#include "platform/files.h"
#include "platform/socket.h"
#include "platform/utf8.h"
#include "records/file_list.h"
#include "records/rec_file.h"

namespace quelvar {
namespace {

namespace fs = std::filesystem;

const char* const kFolderName = "\xE8\xA8\x98\xE9\x8C\xB2 \xE3\x83\x95\xE3\x82\xA9\xE3\x83\xAB\xE3\x83\x80";  // 記録 フォルダ
const char* const kRecordName = "\xE8\xA8\xAD\xE5\xAE\x9A\xE5\x80\xA4.rec";                              // 設定値.rec

class JapaneseNames : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  platform::pathFromUtf8(std::string(kFolderName) + " " +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        ASSERT_TRUE(fs::create_directories(folder_));
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string folderText() const { return platform::utf8Of(folder_) + "\\"; }
    fs::path folder_;
};

TEST_F(JapaneseNames, TheRecordFolderAndItsFileListKeepTheNames) {
    // The wide name the system holds is the one the UTF-8 text spells.
    EXPECT_EQ(folder_.filename().wstring().substr(0, 7), std::wstring(L"\u8A18\u9332 \u30D5\u30A9\u30EB\u30C0"));
    std::ofstream(folder_ / platform::pathFromUtf8(kRecordName)) << "x";
    std::ofstream(folder_ / platform::pathFromUtf8("\xE3\x83\xA1\xE3\x83\xA2.txt")) << "x";  // メモ.txt

    EXPECT_EQ(app::RecordFolderOf(folder_ / L"QUELVARinit.exe"), folderText());
    EXPECT_EQ(records::ListSetupRecordFiles(folderText()), std::vector<std::string>{kRecordName});
}

TEST_F(JapaneseNames, ASavedRecordFileIsReplacedAndReadBack) {
    const fs::path file = platform::pathFromUtf8(folderText() + kRecordName);
    const std::vector<std::uint8_t> first{0x04, 'R', 'E', 'C', 'F', 1};
    const std::vector<std::uint8_t> second{0x04, 'R', 'E', 'C', 'F', 2, 3};
    ASSERT_EQ(records::SaveFileReplacing(file, first), records::SaveResult::Saved);
    // Windows refuses to rename onto an existing file unless asked to replace it.
    ASSERT_EQ(records::SaveFileReplacing(file, second), records::SaveResult::Saved);

    records::FileSource source;
    ASSERT_TRUE(source.open(file));
    std::uint8_t buffer[16] = {};
    std::size_t got = 0;
    ASSERT_TRUE(source.read(buffer, sizeof buffer, got));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + got), second);

    // Nothing but the file itself is left in the folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_)) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(JapaneseNames, ExclusiveAndUniqueFilesNeverReuseAName) {
    const fs::path file = folder_ / platform::pathFromUtf8(kRecordName);
    std::FILE* created = platform::openFile(file, "wbx");
    ASSERT_NE(created, nullptr);
    std::fclose(created);
    EXPECT_EQ(platform::openFile(file, "wbx"), nullptr);

    auto one = platform::createUniqueFile(folder_, "verify-", ".rec");
    auto two = platform::createUniqueFile(folder_, "verify-", ".rec");
    ASSERT_TRUE(one && two);
    EXPECT_NE(*one, *two);
    EXPECT_TRUE(fs::is_regular_file(*one));
    EXPECT_EQ(one->extension(), ".rec");
}

TEST(RecordFolder, IsTheExecutablesFolderEndingInOneBackslash) {
    EXPECT_EQ(app::RecordFolderOf(L"C:\\Tools\\QUELVARinit.exe"), "C:\\Tools\\");
    EXPECT_EQ(app::RecordFolderOf(L"D:\\QUELVARinit.exe"), "D:\\");  // a drive root keeps one
    EXPECT_EQ(records::WithTrailingSeparator("C:\\Tools"), "C:\\Tools\\");
    EXPECT_EQ(records::WithTrailingSeparator("C:\\"), "C:\\");
}

TEST(Utf8, RoundTripsThroughTheWideApiForm) {
    const std::string text = std::string(kFolderName) + " \xF0\x9F\x93\x81";  // and a character beyond U+FFFF
    EXPECT_EQ(platform::utf8FromWide(platform::wideFromUtf8(text)), text);
    EXPECT_EQ(platform::utf8Of(platform::pathFromUtf8(text)), text);
    EXPECT_EQ(platform::wideFromUtf8(""), L"");
}

TEST(SystemErrorText, NoLineBreakAndNothingForAnUnknownCode) {
    // The wording is the system's (and Wine lacks some); only its shape is ours.
    for (int code : {10040, 10060, 10061, 10065}) {
        std::string text = platform::systemErrorText(code);
        if (!text.empty()) {
            EXPECT_NE(text.back(), '\n') << code;
        }
    }
    EXPECT_EQ(platform::systemErrorText(0x7FFF1234), "");
}

}  // namespace
}  // namespace quelvar
