// The setup record file: the download's image, the upload's reader and the
// save that never breaks a good file.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "answer_builder.h"
#include "records/rec_file.h"

namespace quelvar::records {
namespace {

using quelvar::testing::PatternBytes;
using Bytes = std::vector<std::uint8_t>;

Bytes Header() {
    return Bytes(kHeader.begin(), kHeader.end());
}

RecordList ReadBytes(const Bytes& bytes) {
    MemorySource source(bytes);
    return ReadRecords(source);
}

TEST(FileImage, StartsAsTheHeaderAloneAndNeverGrowsPastItsCapacity) {
    FileImage image;
    EXPECT_EQ(Bytes(image.bytes().begin(), image.bytes().end()), Header());
    for (std::size_t i = kHeaderSize; i < kImageCapacity; ++i) ASSERT_TRUE(image.append(0xAB));
    EXPECT_EQ(image.length(), kImageCapacity);
    EXPECT_FALSE(image.append(0xCD));
    EXPECT_EQ(image.length(), kImageCapacity);
    EXPECT_EQ(image.bytes().back(), 0xAB);
    image.truncate(2);
    EXPECT_EQ(image.length(), kHeaderSize);
}

TEST(RecordReader, HeaderOnlyFileHoldsNoRecords) {
    RecordList list = ReadBytes(Header());
    EXPECT_EQ(list.status, ReadStatus::End);
    EXPECT_TRUE(list.records.empty());
}

TEST(RecordReader, FourByteFileIsShortAtTheHeader) {
    EXPECT_EQ(ReadBytes(Bytes{0x04, 'R', 'E', 'C'}).status, ReadStatus::Short);
}

TEST(RecordReader, HeaderValuesAreNotChecked) {
    Bytes bytes{'x', 'x', 'x', 'x', 'x', 7};
    Bytes data = PatternBytes(126, 7);
    bytes.insert(bytes.end(), data.begin(), data.end());
    RecordList list = ReadBytes(bytes);
    EXPECT_EQ(list.status, ReadStatus::End);
    ASSERT_EQ(list.records.size(), 1u);
    EXPECT_EQ(list.records[0].number, 7);
}

TEST(RecordReader, RecordZeroWithOnly119BytesIsShort) {
    Bytes bytes = Header();
    bytes.push_back(0);
    Bytes data = PatternBytes(119, 0);
    bytes.insert(bytes.end(), data.begin(), data.end());
    RecordList list = ReadBytes(bytes);
    EXPECT_EQ(list.status, ReadStatus::Short);
    EXPECT_TRUE(list.records.empty());
}

TEST(RecordReader, RecordsOneAndNineTake126BytesLikeAnyNonZeroNumber) {
    std::vector<Record> records{
        {1, PatternBytes(126, 1)}, {9, PatternBytes(126, 9)}, {0, PatternBytes(120, 0)}};
    RecordList list = ReadBytes(EncodeRecords(records));
    EXPECT_EQ(list.status, ReadStatus::End);
    EXPECT_EQ(list.records, records);
}

TEST(RecordReader, TakesTheFirstTenOfElevenRecords) {
    std::vector<Record> records;
    for (int i = 0; i < 11; ++i)
        records.push_back({static_cast<std::uint8_t>(i + 2), PatternBytes(126, i)});
    RecordList list = ReadBytes(EncodeRecords(records));
    EXPECT_EQ(list.status, ReadStatus::End);
    ASSERT_EQ(list.records.size(), 10u);
    EXPECT_EQ(list.records.back().number, 11);
}

TEST(RecordReader, RepeatedAndUnorderedNumbersAreReadInFileOrder) {
    std::vector<Record> records{{5, PatternBytes(126, 1)},
                                {5, PatternBytes(126, 2)},
                                {0, PatternBytes(120, 3)},
                                {3, PatternBytes(126, 4)}};
    EXPECT_EQ(ReadBytes(EncodeRecords(records)).records, records);
}

TEST(RecordReader, FullDownloadHasTheExpectedSize) {
    std::vector<Record> records{{0, PatternBytes(120, 0)}};
    for (int n = 2; n <= 8; ++n)
        records.push_back({static_cast<std::uint8_t>(n), PatternBytes(126, n)});
    EXPECT_EQ(EncodeRecords(records).size(), 5u + 121u + 7u * 127u);
}

class TempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("quelvar-rec-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(folder_, ec);
    }
    static Bytes Contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                                      std::filesystem::directory_iterator()));
    }
    std::filesystem::path folder_;
};

TEST_F(TempFolder, FileSourceReportsAReadErrorForAFolder) {
    // A folder opens for reading here but any read of it fails (EISDIR):
    // an error of the file layer, not an end of file.
    std::filesystem::create_directory(folder_ / "sub.rec");
    FileSource source;
    ASSERT_TRUE(source.open(folder_ / "sub.rec"));
    RecordReader reader(source);
    EXPECT_EQ(reader.readHeader(), ReadStatus::Error);
}

TEST_F(TempFolder, SaveWritesExactlyTheBytesAndReplacesAnOldFile) {
    std::filesystem::path target = folder_ / "module.rec";
    std::ofstream(target) << "an older and much longer file than the new one";
    Bytes bytes = EncodeRecords({{0, PatternBytes(120, 4)}});
    EXPECT_EQ(SaveFileReplacing(target, bytes), SaveResult::Saved);
    EXPECT_EQ(Contents(target), bytes);
    EXPECT_EQ(EntryCount(), 1u);  // no temporary file left behind
}

TEST_F(TempFolder, SaveWhereNoFileCanBeMadeCannotCreate) {
    // A "folder" that is a regular file refuses even root, unlike permissions.
    std::ofstream(folder_ / "plain") << "not a folder";
    EXPECT_EQ(SaveFileReplacing(folder_ / "plain" / "x.rec", Header()), SaveResult::CannotCreate);
    EXPECT_EQ(errno, ENOTDIR);  // the reason stays for the message
    EXPECT_EQ(SaveFileReplacing(folder_ / "missing" / "x.rec", Header()), SaveResult::CannotCreate);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(TempFolder, SaveOverAFolderCannotCreate) {
    std::filesystem::create_directory(folder_ / "x.rec");
    EXPECT_EQ(SaveFileReplacing(folder_ / "x.rec", Header()), SaveResult::CannotCreate);
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "x.rec"));
}

TEST_F(TempFolder, FailedWriteLeavesTheOldFileAsItWas) {
    std::filesystem::path target = folder_ / "module.rec";
    Bytes old = EncodeRecords({{3, PatternBytes(126, 3)}});
    ASSERT_EQ(SaveFileReplacing(target, old), SaveResult::Saved);

    // A file-size limit makes every write past 64 bytes fail (EFBIG).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveResult result = SaveFileReplacing(target, EncodeRecords({{0, PatternBytes(120, 9)}}));
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(result, SaveResult::WriteFailed);
    EXPECT_EQ(Contents(target), old);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(TempFolder, SaveKeepsTheModeOfTheFileItReplaces) {
    const ::mode_t savedMask = ::umask(022);
    std::filesystem::path fresh = folder_ / "fresh.rec";
    ASSERT_EQ(SaveFileReplacing(fresh, Header()), SaveResult::Saved);
    std::filesystem::path shared = folder_ / "shared.rec";
    ASSERT_EQ(SaveFileReplacing(shared, Header()), SaveResult::Saved);
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
    std::filesystem::path guarded = folder_ / "guarded.rec";
    ASSERT_EQ(SaveFileReplacing(guarded, Header()), SaveResult::Saved);
    ASSERT_EQ(::chmod(guarded.c_str(), 0600), 0);
    ::umask(savedMask);

    Bytes bytes = EncodeRecords({{0, PatternBytes(120, 1)}});
    ASSERT_EQ(SaveFileReplacing(shared, bytes), SaveResult::Saved);
    ASSERT_EQ(SaveFileReplacing(guarded, bytes), SaveResult::Saved);
    auto mode = [](const std::filesystem::path& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    };
    EXPECT_EQ(mode(fresh), 0644u);  // a new file as the user's umask makes it
    EXPECT_EQ(mode(shared), 0664u);
    EXPECT_EQ(mode(guarded), 0600u);
    EXPECT_EQ(Contents(guarded), bytes);
}

TEST_F(TempFolder, SaveThroughASymlinkReplacesTheFileItPointsTo) {
    std::filesystem::create_directory(folder_ / "kept");
    std::filesystem::path real = folder_ / "kept" / "module.rec";
    ASSERT_EQ(SaveFileReplacing(real, Header()), SaveResult::Saved);
    std::filesystem::path link = folder_ / "link.rec";
    std::filesystem::create_symlink("kept/module.rec", link);  // relative to the link's folder
    std::filesystem::path dangling = folder_ / "new.rec";
    std::filesystem::create_symlink("kept/later.rec", dangling);

    Bytes bytes = EncodeRecords({{2, PatternBytes(126, 2)}});
    ASSERT_EQ(SaveFileReplacing(link, bytes), SaveResult::Saved);
    ASSERT_EQ(SaveFileReplacing(dangling, bytes), SaveResult::Saved);

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(Contents(real), bytes);
    EXPECT_EQ(Contents(folder_ / "kept" / "later.rec"), bytes);
    EXPECT_EQ(EntryCount(), 3u);  // "kept" and the two links: no temporary anywhere
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_ / "kept"), {}), 2);

    std::filesystem::create_symlink("loop.rec", folder_ / "loop.rec");
    EXPECT_EQ(SaveFileReplacing(folder_ / "loop.rec", bytes), SaveResult::CannotCreate);
}

TEST_F(TempFolder, LeftoversOfKilledSavesDoNotStopTheNextOne) {
    for (int i = 0; i < 100; ++i) {
        std::ofstream(folder_ / (".module.rec.tmp" + std::to_string(i)));
    }
    Bytes bytes = EncodeRecords({{0, PatternBytes(120, 5)}});
    EXPECT_EQ(SaveFileReplacing(folder_ / "module.rec", bytes), SaveResult::Saved);
    EXPECT_EQ(SaveFileReplacing(folder_ / "module.rec", bytes), SaveResult::Saved);
    EXPECT_EQ(Contents(folder_ / "module.rec"), bytes);
    EXPECT_EQ(EntryCount(), 101u);
}

TEST_F(TempFolder, ASaveKilledWhileWritingLeavesNothingBehind) {
    std::filesystem::path target = folder_ / "module.rec";
    Bytes old = EncodeRecords({{3, PatternBytes(126, 3)}});
    ASSERT_EQ(SaveFileReplacing(target, old), SaveResult::Saved);
    const bool nameless = [&] {
        int fd = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY, 0600);
        if (fd >= 0) ::close(fd);
        return fd >= 0;
    }();

    // The child dies of SIGXFSZ in the middle of writing its temporary file.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit small{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &small);
        rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        SaveFileReplacing(target, EncodeRecords({{0, PatternBytes(120, 9)}}));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);

    EXPECT_EQ(Contents(target), old);
    if (nameless) {
        EXPECT_EQ(EntryCount(), 1u);
    }
}

}  // namespace
}  // namespace quelvar::records
