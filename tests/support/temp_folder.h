#pragma once

#include <filesystem>
#include <string>

namespace quelvar::testing {

// A fresh folder of this test process alone, removed when it goes: two runs
// of the suite at once never share one.
class TempFolder {
  public:
    explicit TempFolder(const std::string& purpose);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace quelvar::testing
