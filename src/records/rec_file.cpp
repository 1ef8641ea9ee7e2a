// The setup record file: the download's 4096-byte image, the upload's
// step-by-step reader and a save that never leaves a broken file behind.
#include "records/rec_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::filesystem::path& path,
                                                       std::size_t limit) {
    FileSource source;
    if (!source.open(path)) return std::nullopt;
    std::vector<std::uint8_t> bytes(limit);
    std::size_t length = 0;
    while (length < limit) {
        std::size_t got = 0;
        if (!source.read(bytes.data() + length, limit - length, got)) return std::nullopt;
        if (got == 0) break;
        length += got;
    }
    bytes.resize(length);
    bytes.shrink_to_fit();  // a site's rows each hold theirs for the whole run
    return bytes;
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
    RecordReader reader(source);
    ReadStatus header = reader.readHeader();
    if (header != ReadStatus::Ok) return {{}, header};
    return ReadRecordList(reader);
}

RecordList ReadRecordList(RecordReader& reader) {
    RecordList list;
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

// A save writes to the file a link points to, so that the link stays a link.
// Relative links count from the link's own folder. False (errno ELOOP) for a
// chain that does not end.
bool FollowLinks(std::filesystem::path& target) {
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) return true;
        std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec) {
            errno = ec.value();
            return false;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    errno = ELOOP;
    return false;
}

// ".NAME.tmpXXXXXX" beside the target: hidden, never matching "*.rec", and
// random, so leftovers of a killed save do not take the names a later save needs.
std::filesystem::path RandomTemporaryName(const std::filesystem::path& target) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string suffix(6, ' ');
    for (char& c : suffix) c = kLetters[pick(generator)];
    return target.parent_path() /
           platform::pathFromUtf8("." + platform::utf8Of(target.filename()) + ".tmp" + suffix);
}

constexpr int kNameAttempts = 100;

#ifdef _WIN32

// Without a nameless temporary file, a named one with a random name.
SaveResult SaveThroughNamedTemporary(const std::filesystem::path& target, bool replacing,
                                     std::span<const std::uint8_t> bytes) {
    std::error_code ec;
    std::filesystem::path temporary;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < kNameAttempts && file == nullptr; ++attempt) {
        temporary = RandomTemporaryName(target);
        // "x": fail rather than reuse a file that is already there.
        file = platform::openFile(temporary, "wbx");
        if (file == nullptr && !std::filesystem::exists(temporary, ec)) break;
    }
    if (file == nullptr) return SaveResult::CannotCreate;

    bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fflush(file) == 0 && written;
    written = std::ferror(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (written && replacing) {
        std::filesystem::permissions(temporary, std::filesystem::status(target, ec).permissions(),
                                     ec);
    }
    if (written) {
        std::filesystem::rename(temporary, target, ec);
        if (!ec) return SaveResult::Saved;
    }
    const int reason = errno;
    std::filesystem::remove(temporary, ec);
    errno = reason;
    return SaveResult::WriteFailed;
}

#else

// An open file descriptor that closes itself.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            const int reason = errno;
            ::close(fd_);
            errno = reason;
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The bytes into an open temporary file, with the replaced file's owner and
// mode (the owner first: changing it clears set-id bits of the mode), and on
// the disk before the rename makes them the file.
bool FillTemporary(int fd, const struct stat* replaced, std::span<const std::uint8_t> bytes) {
    if (!WriteAll(fd, bytes)) return false;
    if (replaced != nullptr) {
        // Only a privileged saver can give the file back to its owner; anyone
        // else saves as themselves, as any editor does.
        if (replaced->st_uid != ::geteuid() || replaced->st_gid != ::getegid()) {
            [[maybe_unused]] int ignored = ::fchown(fd, replaced->st_uid, replaced->st_gid);
        }
        if (::fchmod(fd, replaced->st_mode & 07777) != 0) return false;
    }
    return ::fsync(fd) == 0;
}

// Gives a named file the target's place: rename replaces an old file in one step.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& target) {
    if (::rename(from.c_str(), target.c_str()) == 0) return true;
    const int reason = errno;
    ::unlink(from.c_str());
    errno = reason;
    return false;
}

// Unsupported: this folder or system cannot hold a nameless file; a named one serves.
enum class Nameless { Saved, CannotCreate, WriteFailed, Unsupported };

#ifdef O_TMPFILE
// Gives a nameless file a name. The /proc link works for any user; the empty
// path form needs a privilege but no /proc.
bool LinkNameless(int fd, const std::filesystem::path& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != ENOENT) return false;  // e.g. EEXIST: the name is taken
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}
#endif

// The temporary file has no name until it is complete, so a save killed at
// any point before that leaves nothing behind. A new file gets its name in
// one step; a replacement is linked under a random name and renamed over the
// old file at once.
Nameless SaveThroughNamelessTemporary(const std::filesystem::path& target,
                                      const struct stat* replaced,
                                      std::span<const std::uint8_t> bytes) {
#ifdef O_TMPFILE
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    Descriptor file(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        // Folders that cannot hold one (some file systems) take a named file.
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? Nameless::Unsupported
                                                                          : Nameless::CannotCreate;
    }
    if (!FillTemporary(file.get(), replaced, bytes)) return Nameless::WriteFailed;

    if (replaced == nullptr) {
        if (LinkNameless(file.get(), target)) return Nameless::Saved;
        if (errno != EEXIST) return Nameless::Unsupported;
        // A file of that name appeared meanwhile: replace it like any other.
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path temporary = RandomTemporaryName(target);
        if (LinkNameless(file.get(), temporary)) {
            return RenameOver(temporary, target) ? Nameless::Saved : Nameless::WriteFailed;
        }
        if (errno != EEXIST) return Nameless::Unsupported;
    }
    return Nameless::CannotCreate;
#else
    (void)target;
    (void)replaced;
    (void)bytes;
    return Nameless::Unsupported;
#endif
}

SaveResult SaveThroughNamedTemporary(const std::filesystem::path& target,
                                     const struct stat* replaced,
                                     std::span<const std::uint8_t> bytes) {
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        temporary = RandomTemporaryName(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return SaveResult::CannotCreate;
    Descriptor file(fd);
    if (FillTemporary(file.get(), replaced, bytes) && file.close()) {
        return RenameOver(temporary, target) ? SaveResult::Saved : SaveResult::WriteFailed;
    }
    const int reason = errno;
    ::unlink(temporary.c_str());
    errno = reason;
    return SaveResult::WriteFailed;
}

#endif

}  // namespace

SaveResult SaveFileReplacing(const std::filesystem::path& path,
                             std::span<const std::uint8_t> bytes) {
    std::filesystem::path target = path;
    if (!FollowLinks(target)) return SaveResult::CannotCreate;

#ifdef _WIN32
    std::error_code ec;
    const bool replacing = std::filesystem::exists(target, ec);
    // A target that could not be opened for writing in place stays refused:
    // a folder of that name, or a file the user may not change.
    if (replacing) {
        if (!std::filesystem::is_regular_file(target, ec)) return SaveResult::CannotCreate;
        std::FILE* existing = platform::openFile(target, "r+b");
        if (existing == nullptr) return SaveResult::CannotCreate;
        std::fclose(existing);
    }
    return SaveThroughNamedTemporary(target, replacing, bytes);
#else
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing) {
        // A target that could not be opened for writing in place stays
        // refused: a folder (or device) of that name, or a file the user may
        // not change.
        if (!S_ISREG(old.st_mode)) {
            errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
            return SaveResult::CannotCreate;
        }
        Descriptor probe(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        if (probe.get() < 0) return SaveResult::CannotCreate;
    } else if (errno != ENOENT) {
        return SaveResult::CannotCreate;  // e.g. a parent that is not a folder
    }

    const struct stat* replaced = replacing ? &old : nullptr;
    switch (SaveThroughNamelessTemporary(target, replaced, bytes)) {
        case Nameless::Saved: return SaveResult::Saved;
        case Nameless::CannotCreate: return SaveResult::CannotCreate;
        case Nameless::WriteFailed: return SaveResult::WriteFailed;
        case Nameless::Unsupported: break;
    }
    return SaveThroughNamedTemporary(target, replaced, bytes);
#endif
}

}  // namespace quelvar::records
