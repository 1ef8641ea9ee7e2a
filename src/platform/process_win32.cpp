#include <windows.h>

#include <string>

#include "platform/process.h"

namespace quelvar::platform {

std::filesystem::path executablePath() {
    // Paths may be longer than MAX_PATH; grow the buffer until the name fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) break;
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
    std::error_code error;
    return std::filesystem::current_path(error) / L"QUELVARinit.exe";
}

void sleepFor(std::chrono::milliseconds duration) { ::Sleep(static_cast<DWORD>(duration.count())); }

// Windows gives a program sockets and files without a small limit to raise.
std::size_t raiseOpenFileLimit(std::size_t wanted) { return wanted; }

}  // namespace quelvar::platform
