#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <system_error>
#include <vector>

namespace quelvar::testing {

TempFolder::TempFolder(const std::string& purpose) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) /
                           ("quelvar-" + purpose + "-" + (test != nullptr ? test->name() : "test") +
                            "-XXXXXX"))
                              .string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkdtemp makes a folder nobody else has, whoever else runs the suite.
    if (::mkdtemp(name.data()) != nullptr) path_ = name.data();
    EXPECT_FALSE(path_.empty()) << "no temporary folder for " << purpose;
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

}  // namespace quelvar::testing
