#include <system_error>
#include <thread>

#include "platform/process.h"

namespace quelvar::platform {

std::filesystem::path executablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error) / "QUELVARinit";
    return path;
}

void sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace quelvar::platform
