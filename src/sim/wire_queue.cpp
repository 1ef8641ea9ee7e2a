#include "sim/wire_queue.h"

namespace quelvar::sim {

WireQueue::WireQueue(std::size_t capacity) : slots_(capacity) {}

bool WireQueue::push(Clock::time_point due, std::span<const std::uint8_t> frame) {
    if (size_ == slots_.size()) return false;
    Slot& slot = slots_[(head_ + size_) % slots_.size()];
    slot.due = due;
    slot.bytes.assign(frame.begin(), frame.end());
    ++size_;
    return true;
}

std::optional<WireQueue::Clock::time_point> WireQueue::nextDue() const {
    if (size_ == 0) return std::nullopt;
    return slots_[head_].due;
}

std::optional<std::span<const std::uint8_t>> WireQueue::due(Clock::time_point now) const {
    if (size_ == 0 || slots_[head_].due > now) return std::nullopt;
    return std::span<const std::uint8_t>(slots_[head_].bytes);
}

void WireQueue::pop() {
    if (size_ == 0) return;
    head_ = (head_ + 1) % slots_.size();
    --size_;
}

}  // namespace quelvar::sim
