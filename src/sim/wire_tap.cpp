#include "sim/wire_tap.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/socket.h"

namespace quelvar::sim {

namespace {

// Closes a descriptor when it goes out of scope.
struct ScopedFd {
    int fd;
    ~ScopedFd() {
        if (fd >= 0) ::close(fd);
    }
};

std::string Failure(const std::string& what, int code) {
    return what + ": " + platform::systemErrorText(code);
}

}  // namespace

bool IsInterfaceName(const std::string& name) {
    if (name.empty() || name.size() >= IFNAMSIZ || name == "." || name == "..") return false;
    for (char c : name) {
        if (c == '/' || c == ':' || std::isspace(static_cast<unsigned char>(c)) || c == '\0') {
            return false;
        }
    }
    return true;
}

TapDevice TapDevice::Create(const std::string& namespacePath, const std::string& name,
                            std::string& error) {
    if (!IsInterfaceName(name)) {
        error = "'" + name + "' cannot name a network interface";
        return {};
    }
    ScopedFd own{::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)};
    if (own.fd < 0) {
        error = Failure("cannot open this thread's network namespace", errno);
        return {};
    }
    ScopedFd target{::open(namespacePath.c_str(), O_RDONLY | O_CLOEXEC)};
    if (target.fd < 0) {
        error = Failure("cannot open the network namespace " + namespacePath, errno);
        return {};
    }
    if (::setns(target.fd, CLONE_NEWNET) != 0) {
        error = Failure("cannot enter the network namespace " + namespacePath, errno);
        return {};
    }

    // The device belongs to the namespace the clone device is opened in, so
    // both the open and TUNSETIFF happen inside.
    int fd = ::open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    int failure = fd < 0 ? errno : 0;
    std::string step = "cannot open /dev/net/tun";
    if (fd >= 0) {
        ifreq request{};
        // IFF_TUN_EXCL: an existing device of this name is refused rather
        // than attached to, so the wire never takes over someone else's.
        // The flags fill all 16 bits of a field the kernel declares signed.
        request.ifr_flags =
            static_cast<short>(static_cast<std::uint16_t>(IFF_TAP | IFF_NO_PI | IFF_TUN_EXCL));
        std::memcpy(request.ifr_name, name.c_str(), name.size());
        if (::ioctl(fd, TUNSETIFF, &request) != 0) {
            failure = errno;
            step = "cannot make the TAP device " + name + " in " + namespacePath;
            if (failure == EBUSY) step += " (a device of that name is there already)";
            ::close(fd);
            fd = -1;
        }
    }

    if (::setns(own.fd, CLONE_NEWNET) != 0) {
        // Staying in the other namespace would make every later step act on
        // the wrong network; nothing can be trusted after this.
        int code = errno;
        if (fd >= 0) ::close(fd);
        error = Failure("cannot return to this thread's own network namespace", code);
        return {};
    }
    if (fd < 0) {
        error = Failure(step, failure);
        return {};
    }
    return TapDevice(fd, name);
}

TapDevice::TapDevice(TapDevice&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), name_(std::move(other.name_)) {}

TapDevice& TapDevice::operator=(TapDevice&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        name_ = std::move(other.name_);
    }
    return *this;
}

TapDevice::~TapDevice() {
    if (fd_ >= 0) ::close(fd_);
}

long TapDevice::read(std::span<std::uint8_t> buffer) {
    ssize_t got = ::read(fd_, buffer.data(), buffer.size());
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
    return static_cast<long>(got);
}

bool TapDevice::write(std::span<const std::uint8_t> frame) {
    ssize_t put = ::write(fd_, frame.data(), frame.size());
    return put == static_cast<ssize_t>(frame.size());
}

}  // namespace quelvar::sim
