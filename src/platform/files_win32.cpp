#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/utf8.h"

namespace quelvar::platform {

namespace {

// The C runtime the program links (msvcrt) does not know fopen's "x", so an
// exclusive create goes through _wopen with _O_EXCL.
std::FILE* openExclusive(const std::filesystem::path& path, const char* mode) {
    int flags = _O_CREAT | _O_EXCL | _O_BINARY;
    flags |= std::strchr(mode, '+') != nullptr ? _O_RDWR : _O_WRONLY;
    int descriptor = ::_wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return nullptr;
    std::string plain;
    for (const char* c = mode; *c != '\0'; ++c) {
        if (*c != 'x') plain += *c;
    }
    std::FILE* file = ::_fdopen(descriptor, plain.c_str());
    if (file == nullptr) ::_close(descriptor);
    return file;
}

}  // namespace

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
    if (std::strchr(mode, 'x') != nullptr) return openExclusive(path, mode);
    return ::_wfopen(path.c_str(), wideFromUtf8(mode).c_str());
}

std::optional<std::filesystem::path> createUniqueFile(const std::filesystem::path& folder,
                                                      std::string_view prefix,
                                                      std::string_view extension) {
    // The tick count and the process id make a collision unlikely; CREATE_NEW
    // makes one harmless: the next name is tried.
    unsigned long long seed = ::GetTickCount64() ^ (static_cast<unsigned long long>(::GetCurrentProcessId()) << 20);
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long long value = seed + static_cast<unsigned long long>(attempt) * 7919u;
        std::string unique;
        for (int i = 0; i < 6; ++i) {
            unique += "abcdefghijklmnopqrstuvwxyz0123456789"[value % 36];
            value /= 36;
        }
        std::filesystem::path candidate =
            folder / pathFromUtf8(std::string(prefix) + unique + std::string(extension));
        HANDLE handle = ::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
            return candidate;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace quelvar::platform
