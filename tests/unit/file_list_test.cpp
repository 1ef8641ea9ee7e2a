#include <gtest/gtest.h>

#include <optional>

#include "support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "records/file_list.h"

namespace quelvar::records {
namespace {

namespace fs = std::filesystem;

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp_.emplace("files");
        folder_ = temp_->path();
    }
    void touch(const std::string& name) { std::ofstream(folder_ / name) << "x"; }
    std::string folderText() { return WithTrailingSeparator(folder_.string()); }
    std::optional<quelvar::testing::TempFolder> temp_;
    fs::path folder_;
};

TEST_F(FileListTest, ListsRecNamesInAnyCaseIncludingFolders) {
    touch("b.rec");
    touch("A.REC");
    touch("notes.txt");
    touch("rec");
    touch("x.rec.bak");
    touch(".hidden.rec");
    fs::create_directory(folder_ / "sub.Rec");
    std::vector<std::string> names = ListSetupRecordFiles(folderText());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.rec", "A.REC", "b.rec", "sub.Rec"}));
}

TEST_F(FileListTest, KeepsTheDirectorysOwnOrder) {
    for (int i = 0; i < 20; ++i) touch("f" + std::to_string(i) + ".rec");
    std::vector<std::string> expected;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        expected.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(ListSetupRecordFiles(folderText()), expected);
}

TEST_F(FileListTest, MissingOrEmptyFolderGivesNothing) {
    EXPECT_TRUE(ListSetupRecordFiles(folderText()).empty());
    EXPECT_TRUE(ListSetupRecordFiles(folderText() + "missing/").empty());
}

TEST_F(FileListTest, LongFolderPathsAreNotCut) {
    fs::path deep = folder_;
    while (deep.string().size() < 600) deep /= std::string(40, 'd');
    fs::create_directories(deep);
    std::ofstream(deep / "deep.rec") << "x";
    EXPECT_EQ(ListSetupRecordFiles(WithTrailingSeparator(deep.string())),
              std::vector<std::string>{"deep.rec"});
}

TEST(Separator, ExactlyOneTrailingSeparator) {
    EXPECT_EQ(WithTrailingSeparator("/tmp"), "/tmp/");
    EXPECT_EQ(WithTrailingSeparator("/tmp/"), "/tmp/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
}

}  // namespace
}  // namespace quelvar::records
