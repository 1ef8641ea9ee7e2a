// What the socket class does the same way on every platform; the system
// calls live in socket_posix.cpp and socket_win32.cpp.
#include "platform/socket.h"

namespace quelvar::platform {

Socket::~Socket() { close(); }

Socket::Socket(Socket&& other) noexcept : handle_(other.handle_) {
    other.handle_ = invalidHandle();
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = invalidHandle();
    }
    return *this;
}

}  // namespace quelvar::platform
