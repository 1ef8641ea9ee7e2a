#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <system_error>

namespace quelvar::testing {

TempFolder::TempFolder(const std::string& purpose) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    std::string stem =
        "quelvar-" + purpose + "-" + (test != nullptr ? test->name() : "test") + "-";
    // A parameterised case's name holds a slash.
    std::replace(stem.begin(), stem.end(), '/', '-');
    std::random_device entropy;
    // create_directory says false when the folder was there already, so a name
    // it creates is nobody else's, whoever else runs the suite; this works the
    // same on Windows, which has no mkdtemp.
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::filesystem::path candidate = base / (stem + std::to_string(entropy()));
        if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
    EXPECT_FALSE(path_.empty()) << "no temporary folder for " << purpose;
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

}  // namespace quelvar::testing
