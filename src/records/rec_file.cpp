// The setup record file: the download's 4096-byte image, the upload's
// step-by-step reader and a save that never leaves a broken file behind.
#include "records/rec_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/files.h"
#include "platform/utf8.h"

namespace quelvar::records {

FileImage::FileImage() {
    std::copy(kHeader.begin(), kHeader.end(), bytes_.begin());
}

bool FileImage::append(std::uint8_t byte) {
    if (length_ >= kImageCapacity) return false;
    bytes_[length_++] = byte;
    return true;
}

void FileImage::truncate(std::size_t length) {
    length_ = std::clamp(length, kHeaderSize, length_);
}

bool MemorySource::read(std::uint8_t* buffer, std::size_t size, std::size_t& got) {
    got = std::min(size, bytes_.size() - position_);
    if (got > 0) std::memcpy(buffer, bytes_.data() + position_, got);
    position_ += got;
    return true;
}

FileSource::~FileSource() {
    close();
}

bool FileSource::open(const std::filesystem::path& path) {
    close();
    file_ = platform::openFile(path, "rb");
    return file_ != nullptr;
}

void FileSource::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

bool FileSource::read(std::uint8_t* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    if (file_ == nullptr) return false;
    got = std::fread(buffer, 1, size, file_);
    return got == size || std::ferror(file_) == 0;
}

ReadStatus RecordReader::readExactly(std::uint8_t* buffer, std::size_t size) {
    std::size_t got = 0;
    if (!source_.read(buffer, size, got)) return ReadStatus::Error;
    return got == size ? ReadStatus::Ok : ReadStatus::Short;
}

ReadStatus RecordReader::readHeader() {
    std::uint8_t header[kHeaderSize];
    return readExactly(header, sizeof header);
}

ReadStatus RecordReader::readNumber(std::uint8_t& number) {
    if (recordsTaken_ >= kMaxRecordsRead) return ReadStatus::End;
    std::size_t got = 0;
    if (!source_.read(&number, 1, got)) return ReadStatus::Error;
    return got == 1 ? ReadStatus::Ok : ReadStatus::End;
}

ReadStatus RecordReader::readData(std::uint8_t number, std::vector<std::uint8_t>& data) {
    data.resize(RecordDataSize(number));
    ReadStatus status = readExactly(data.data(), data.size());
    if (status == ReadStatus::Ok) ++recordsTaken_;
    return status;
}

RecordList ReadRecords(ByteSource& source) {
    RecordList list;
    RecordReader reader(source);
    list.status = reader.readHeader();
    if (list.status != ReadStatus::Ok) return list;
    for (int i = 0; i < kMaxRecordsRead + 1; ++i) {
        Record record;
        list.status = reader.readNumber(record.number);
        if (list.status != ReadStatus::Ok) return list;
        list.status = reader.readData(record.number, record.data);
        if (list.status != ReadStatus::Ok) return list;
        list.records.push_back(std::move(record));
    }
    list.status = ReadStatus::End;
    return list;
}

std::vector<std::uint8_t> EncodeRecords(const std::vector<Record>& records) {
    std::vector<std::uint8_t> bytes(kHeader.begin(), kHeader.end());
    for (const Record& record : records) {
        bytes.push_back(record.number);
        bytes.insert(bytes.end(), record.data.begin(), record.data.end());
    }
    return bytes;
}

namespace {

// A name beside the target that no other file has: ".NAME.tmpN".
std::FILE* createTemporaryBeside(const std::filesystem::path& target,
                                 std::filesystem::path& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(".");
        name += platform::utf8Of(target.filename());
        name += ".tmp" + std::to_string(attempt);
        temporary = target.parent_path() / platform::pathFromUtf8(name);
        // "x": fail rather than reuse a file that is already there.
        if (std::FILE* file = platform::openFile(temporary, "wbx")) return file;
        std::error_code ec;
        if (!std::filesystem::exists(temporary, ec)) return nullptr;  // not a name clash
    }
    return nullptr;
}

}  // namespace

SaveResult SaveFileReplacing(const std::filesystem::path& path,
                             std::span<const std::uint8_t> bytes) {
    std::error_code ec;
    // A target that could not be opened for writing in place stays refused:
    // a folder of that name, or a file the user may not change.
    if (std::filesystem::exists(path, ec)) {
        if (!std::filesystem::is_regular_file(path, ec)) return SaveResult::CannotCreate;
        std::FILE* existing = platform::openFile(path, "r+b");
        if (existing == nullptr) return SaveResult::CannotCreate;
        std::fclose(existing);
    }

    std::filesystem::path temporary;
    std::FILE* file = createTemporaryBeside(path, temporary);
    if (file == nullptr) return SaveResult::CannotCreate;

    bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fflush(file) == 0 && written;
    written = std::ferror(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (written) {
        std::filesystem::rename(temporary, path, ec);
        if (!ec) return SaveResult::Saved;
    }
    std::filesystem::remove(temporary, ec);
    return SaveResult::WriteFailed;
}

}  // namespace quelvar::records
