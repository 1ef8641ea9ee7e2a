#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace quelvar::sim {

// A TAP device that the wire made inside a network namespace: Ethernet
// frames in and out through one descriptor, no packet information header.
// The device lives as long as the descriptor, so closing it (destroying
// this object) removes the device. Moves, does not copy.
class TapDevice {
  public:
    TapDevice() = default;
    TapDevice(TapDevice&& other) noexcept;
    TapDevice& operator=(TapDevice&& other) noexcept;
    TapDevice(const TapDevice&) = delete;
    TapDevice& operator=(const TapDevice&) = delete;
    ~TapDevice();

    // Makes a new TAP device named `name` inside the network namespace at
    // `namespacePath` (like /run/netns/NAME) and returns the calling thread
    // to its own namespace; the device is down, without addresses. An
    // existing device of that name is an error, not taken over. On failure
    // the result is not open() and `error` says why.
    static TapDevice Create(const std::string& namespacePath, const std::string& name,
                            std::string& error);

    bool open() const { return fd_ >= 0; }
    int fd() const { return fd_; }  // non-blocking, for poll
    const std::string& name() const { return name_; }

    // One frame into `buffer`: its length, 0 when none is waiting, -1 on an
    // error (errno set). A frame longer than the buffer is cut.
    long read(std::span<std::uint8_t> buffer);
    // One frame out to the namespace's stack: false (errno set) when the
    // kernel did not take it.
    bool write(std::span<const std::uint8_t> frame);

  private:
    TapDevice(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

    int fd_ = -1;
    std::string name_;
};

// Whether `name` can be a network interface's name: 1 to 15 characters,
// none of them '/', ':' or white space, and not "." or "..".
bool IsInterfaceName(const std::string& name);

}  // namespace quelvar::sim
