#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quelvar::sim {

// The frames on their way through one direction of the wire, oldest first,
// at most `capacity` of them: a wire that cannot hold another frame drops it,
// as a switch with a full buffer does. WireDirection never lets a frame leave
// before the one ahead of it, so the oldest frame is always the next one due
// and a ring in arrival order is the whole timer queue.
//
// The ring's buffers are kept and reused, so a busy wire does not allocate
// per frame.
class WireQueue {
  public:
    using Clock = std::chrono::steady_clock;

    explicit WireQueue(std::size_t capacity);

    // Keeps a copy of `frame`, due at `due`; false, keeping nothing, when
    // the queue is full.
    bool push(Clock::time_point due, std::span<const std::uint8_t> frame);

    // When the oldest frame is due; nothing when the queue is empty.
    std::optional<Clock::time_point> nextDue() const;

    // The oldest frame when it is due at `now`, else nothing. It stays in
    // the queue until pop().
    std::optional<std::span<const std::uint8_t>> due(Clock::time_point now) const;
    void pop();

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return slots_.size(); }

  private:
    struct Slot {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Slot> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

}  // namespace quelvar::sim
