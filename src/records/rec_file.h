#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace quelvar::records {

// A setup record file: the header 0x04 "RECF", then records back to back.
// A record is its number byte and 120 data bytes (number 0) or 126 (any other).
inline constexpr std::array<std::uint8_t, 5> kHeader{0x04, 'R', 'E', 'C', 'F'};
inline constexpr std::size_t kHeaderSize = kHeader.size();
inline constexpr std::size_t kImageCapacity = 4096;
inline constexpr int kMaxRecordsRead = 10;
inline constexpr std::size_t kMaxRecordSize = 126;

// Data bytes that follow a record's number byte.
constexpr std::size_t RecordDataSize(std::uint8_t number) {
    return number == 0 ? 120 : 126;
}

// The download's image of the file it will save: 4096 bytes, header first,
// and a running length. Appends past the capacity are refused, never written.
class FileImage {
  public:
    FileImage();

    // False (and nothing stored) when the image is full.
    bool append(std::uint8_t byte);
    // Takes the image back to an earlier length (never below the header).
    void truncate(std::size_t length);

    std::size_t length() const { return length_; }
    std::span<const std::uint8_t> bytes() const { return {bytes_.data(), length_}; }
    // Room left for appends.
    std::size_t room() const { return kImageCapacity - length_; }

  private:
    std::array<std::uint8_t, kImageCapacity> bytes_{};
    std::size_t length_ = kHeaderSize;
};

// Where the reader gets its bytes: a file or memory.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer` and sets `got`. False on an
    // error of the file layer (as opposed to an end of file, which is a
    // true result with fewer bytes).
    virtual bool read(std::uint8_t* buffer, std::size_t size, std::size_t& got) = 0;
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override;

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// A file opened for reading; closes itself.
class FileSource : public ByteSource {
  public:
    FileSource() = default;
    ~FileSource();
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool open(const std::filesystem::path& path);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    bool read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override;

  private:
    std::FILE* file_ = nullptr;
};

// The first `limit` bytes of a file (all of it when it is shorter), read in
// one go so that what is checked and what is used are the same bytes;
// nullopt when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::filesystem::path& path,
                                                       std::size_t limit);

enum class ReadStatus {
    Ok,
    End,    // no record number where one could start: the list is over
    Short,  // the file ended inside the header or a record
    Error,  // the file layer reported an error
};

// Reads a setup record file step by step, as the upload needs it: the header,
// then for each record its number and then its data. At most ten records are
// taken; after the tenth the list counts as over.
class RecordReader {
  public:
    explicit RecordReader(ByteSource& source) : source_(source) {}

    // The 5 header bytes; only their count matters, not their values.
    ReadStatus readHeader();
    ReadStatus readNumber(std::uint8_t& number);
    // The record's 120 or 126 data bytes into `data` (resized to fit).
    ReadStatus readData(std::uint8_t number, std::vector<std::uint8_t>& data);

  private:
    ReadStatus readExactly(std::uint8_t* buffer, std::size_t size);
    ByteSource& source_;
    int recordsTaken_ = 0;
};

struct Record {
    std::uint8_t number = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const Record&, const Record&) = default;
};

struct RecordList {
    std::vector<Record> records;          // complete records read before `status`
    ReadStatus status = ReadStatus::End;  // End: read without error
};

// The records of a whole file image, as the upload would take them.
RecordList ReadRecords(ByteSource& source);
// The records after a header the reader has already taken: at most ten.
RecordList ReadRecordList(RecordReader& reader);

// The bytes of a file with these records, as the download writes them.
std::vector<std::uint8_t> EncodeRecords(const std::vector<Record>& records);

enum class SaveResult {
    Saved,
    CannotCreate,  // the file (or its temporary neighbour) could not be made
    WriteFailed,   // writing, closing or the final rename failed
};

// Writes `bytes` as the file at `path` without ever leaving a half-written
// file there: the bytes go to a temporary file beside it, which then takes
// the target's place in one rename. On failure the old file is left as it
// was and errno holds the system's reason.
//
// The save replaces the file's bytes and nothing else: a replaced file keeps
// its mode (and, where the saver may set it, its owner), and a symlink stays
// a link: the file it points to is replaced, with the temporary beside that
// file. Where the system offers a temporary file without a name (Linux
// O_TMPFILE), a save killed half-way leaves nothing behind; elsewhere the
// temporary has a random hidden name ".NAME.tmpXXXXXX", so leftovers of
// earlier kills never stop a later save.
SaveResult SaveFileReplacing(const std::filesystem::path& path,
                             std::span<const std::uint8_t> bytes);

}  // namespace quelvar::records
