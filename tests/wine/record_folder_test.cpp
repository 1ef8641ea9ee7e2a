// Where the Windows window starts its record folder: the program's own
// folder when it runs unpacked, the user's Documents folder when it is an
// installed program (under a Programs folder, where the installer put it, or
// in a folder the user cannot write to).
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "ui/win32/record_folder_win32.h"

namespace quelvar::ui::win32 {
namespace {

namespace fs = std::filesystem;

fs::path knownFolder(REFKNOWNFOLDERID id) {
    PWSTR text = nullptr;
    fs::path folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &text))) folder = text;
    ::CoTaskMemFree(text);
    return folder;
}

std::string withSeparator(const fs::path& folder) {
    std::string text = platform::utf8Of(folder);
    if (text.empty() || text.back() != '\\') text += '\\';
    return text;
}

// A folder of this test's own, removed with everything in it.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const fs::path& parent) {
        path_ = parent / ("quelvar-record-folder-" + std::to_string(::GetCurrentProcessId()) + "-" +
                          std::to_string(::GetTickCount64()));
        fs::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// The installer's mark in HKCU for the time of one test, the user's own
// value (on a machine where the program is installed) put back afterwards.
class InstallFolderMark {
  public:
    explicit InstallFolderMark(const fs::path& folder) {
        DWORD size = sizeof saved_;
        hadValue_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_SZ, nullptr, saved_,
                                   &size) == ERROR_SUCCESS;
        write(folder.native() + L"\\");
    }
    ~InstallFolderMark() {
        if (hadValue_) {
            write(saved_);
        } else {
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
            ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey);  // only if nothing else is in it
        }
    }

  private:
    static constexpr const wchar_t* kKey = L"Software\\QUELVARinit";
    static constexpr const wchar_t* kValue = L"InstallFolder";
    static void write(const std::wstring& text) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, text.c_str(),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    bool hadValue_ = false;
    wchar_t saved_[MAX_PATH * 2] = {};
};

TEST(InstalledLocations, ContainTheFolderItselfAndWhatLiesBelowButNoNeighbour) {
    const std::vector<fs::path> roots{L"C:\\Program Files", L"D:\\Tools\\QUELVARinit\\"};
    EXPECT_TRUE(IsInsideAnyFolder(L"C:\\Program Files", roots));
    EXPECT_TRUE(IsInsideAnyFolder(L"C:\\Program Files\\", roots));
    EXPECT_TRUE(IsInsideAnyFolder(L"c:\\PROGRAM FILES\\QUELVARinit\\", roots));
    EXPECT_TRUE(IsInsideAnyFolder(L"C:/Program Files/QUELVARinit", roots));
    EXPECT_TRUE(IsInsideAnyFolder(L"d:\\tools\\quelvarinit", roots));
    EXPECT_TRUE(IsInsideAnyFolder(L"C:\\Program Files\\x\\..\\QUELVARinit", roots));

    EXPECT_FALSE(IsInsideAnyFolder(L"C:\\Program Files (x86) old\\QUELVARinit", roots));
    EXPECT_FALSE(IsInsideAnyFolder(L"C:\\Program", roots));
    EXPECT_FALSE(IsInsideAnyFolder(L"D:\\Tools", roots));
    EXPECT_FALSE(IsInsideAnyFolder(L"C:\\Program Files", {}));
    EXPECT_TRUE(IsInsideAnyFolder(L"E:\\anything\\at all", {L"E:\\"}));
}

TEST(InstalledLocations, AreTheSystemsProgramsFoldersAndTheInstallersMark) {
    const std::vector<fs::path> locations = InstalledProgramLocations();
    // Where the installer puts the program for one user.
    const fs::path userPrograms = knownFolder(FOLDERID_LocalAppData) / L"Programs";
    EXPECT_TRUE(IsInsideAnyFolder(userPrograms / L"QUELVARinit", locations));
    EXPECT_TRUE(IsInsideAnyFolder(knownFolder(FOLDERID_ProgramFiles) / L"QUELVARinit", locations));

    const TemporaryFolder chosen(fs::temp_directory_path());
    EXPECT_FALSE(IsInsideAnyFolder(chosen.path(), InstalledProgramLocations()));
    const InstallFolderMark mark(chosen.path());
    EXPECT_TRUE(IsInsideAnyFolder(chosen.path(), InstalledProgramLocations()));
}

TEST(WritableFolder, IsFoundByTryingAndLeavesNothingBehind) {
    const TemporaryFolder folder(fs::temp_directory_path());
    EXPECT_TRUE(IsWritableFolder(folder.path()));
    EXPECT_TRUE(fs::is_empty(folder.path()));
    EXPECT_FALSE(IsWritableFolder(folder.path() / "missing"));
}

TEST(RecordFolder, StaysTheProgramsFolderOutsideTheInstalledLocations) {
    const TemporaryFolder unpacked(fs::temp_directory_path());
    EXPECT_EQ(InstalledProgramRecordFolder(unpacked.path()), std::nullopt);
}

TEST(RecordFolder, IsTheUsersDocumentsFolderForAnInstalledProgram) {
    const fs::path documents = knownFolder(FOLDERID_Documents);
    ASSERT_TRUE(fs::is_directory(documents));
    const std::optional<std::string> expected = withSeparator(documents);

    EXPECT_EQ(InstalledProgramRecordFolder(knownFolder(FOLDERID_LocalAppData) / L"Programs" /
                                           L"QUELVARinit"),
              expected);
    EXPECT_EQ(InstalledProgramRecordFolder(knownFolder(FOLDERID_ProgramFiles) / L"QUELVARinit"),
              expected);
    // Installed elsewhere, where the user can write: the installer's mark tells.
    const TemporaryFolder chosen(fs::temp_directory_path());
    const InstallFolderMark mark(chosen.path());
    EXPECT_EQ(InstalledProgramRecordFolder(chosen.path()), expected);
    // A folder the user cannot create files in (here: one that is not there).
    EXPECT_EQ(InstalledProgramRecordFolder(fs::temp_directory_path() / "quelvar-no-such-folder"),
              expected);
}

}  // namespace
}  // namespace quelvar::ui::win32
