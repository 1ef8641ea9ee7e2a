#include "sim/address_resolution.h"

#include <algorithm>

namespace quelvar::sim {

AddressResolution::AddressResolution(const LinkFaults& faults, Clock::duration extra,
                                     std::uint64_t streamSeed)
    : extra_(extra) {
    if (faults.any()) {
        // One leg each way, whichever side asks: the loss rates of both
        // directions count once per ask.
        asking_ = LinkDirection::ToModule(faults, DeriveSeed(streamSeed, 1));
        answering_ = LinkDirection::FromModule(faults, DeriveSeed(streamSeed, 2));
    }
}

std::optional<AddressResolution::Clock::time_point> AddressResolution::ready(
    std::uint32_t address, Clock::time_point now) {
    if (!asking_ && extra_ == Clock::duration::zero()) return now;

    auto known = entries_.find(address);
    if (known != entries_.end()) {
        Entry& entry = known->second;
        const bool fresh = now - entry.lastUsed < kForgetAfter;
        if (entry.answered && fresh) {
            entry.lastUsed = now;
            return std::max(now, entry.settled);
        }
        // Asked and not answered: what comes meanwhile waits for the same
        // answer that never comes.
        if (!entry.answered && now < entry.settled) return std::nullopt;
    }

    const Clock::time_point firstAsk = now + extra_;
    for (int ask = 0; ask < kAsks; ++ask) {
        const Clock::time_point asked = firstAsk + ask * kAskAgainAfter;
        if (!asking_) {
            entries_[address] = Entry{asked, now, true};
            return asked;
        }
        // Every choice is drawn on every ask, so one rate does not shift the others.
        const bool requestLost = asking_->lose();
        const auto out = asking_->delay();
        const bool answerLost = answering_->lose();
        const auto back = answering_->delay();
        if (!requestLost && !answerLost) {
            entries_[address] = Entry{asked + out + back, now, true};
            return asked + out + back;
        }
    }
    entries_[address] = Entry{firstAsk + kAsks * kAskAgainAfter, now, false};
    return std::nullopt;
}

}  // namespace quelvar::sim
