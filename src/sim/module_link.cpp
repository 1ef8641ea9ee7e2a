#include "sim/module_link.h"

namespace quelvar::sim {

void ModuleLink::setUp(const LinkFaults& faults, int module, Clock::duration firstReplyLate) {
    faults_ = faults;
    module_ = module;
    replyNoise_ = RandomStream(ModuleStreamSeed(faults.seed, module, ModuleStream::StatusNoise));
    toModule_.reset();
    fromModule_.reset();
    if (faults.any()) {
        toModule_ = LinkDirection::ToModule(
            faults, ModuleStreamSeed(faults.seed, module, ModuleStream::DatagramsToModule));
        fromModule_ = LinkDirection::FromModule(
            faults, ModuleStreamSeed(faults.seed, module, ModuleStream::DatagramsFromModule));
    }
    moduleFindsPeers_ = AddressResolution(
        faults, firstReplyLate, ModuleStreamSeed(faults.seed, module, ModuleStream::ModuleFindsPeers));
    toolFindsModule_ = AddressResolution(
        faults, Clock::duration::zero(),
        ModuleStreamSeed(faults.seed, module, ModuleStream::ToolFindsModule));
    monitorConnections_ = 0;
    webConnections_ = 0;
}

std::optional<ModuleLink::Clock::duration> ModuleLink::datagramToModule(std::uint32_t to,
                                                                        bool unicast) {
    if (!toModule_) return Clock::duration::zero();
    const auto now = Clock::now();
    const auto leaves = unicast ? toolFindsModule_.ready(to, now) : now;
    const bool lost = toModule_->lose();
    const auto delay = toModule_->delay();
    if (lost || !leaves) {
        ++lostToModule_;
        return std::nullopt;
    }
    return *leaves - now + delay;
}

ModuleLink::Reply ModuleLink::replyFromModule(std::uint32_t peer) {
    const auto now = Clock::now();
    const auto leaves = moduleFindsPeers_.ready(peer, now);
    if (!fromModule_) {
        if (!leaves) return Reply{0, Clock::duration::zero()};
        return Reply{1, *leaves - now};
    }
    // Every choice is drawn every time, so that one rate does not shift the others.
    const bool lost = fromModule_->lose();
    const bool twice = fromModule_->duplicate();
    const auto delay = fromModule_->delay();
    if (lost || !leaves) {
        ++lostFromModule_;
        return Reply{0, delay};
    }
    if (twice) ++doubled_;
    return Reply{twice ? 2 : 1, *leaves - now + delay};
}

LinkConnection::Path ModuleLink::nextConnection(Port port) {
    const bool monitor = port == Port::Monitor;
    const std::uint64_t number = monitor ? monitorConnections_++ : webConnections_++;
    auto seed = [&](ModuleStream stream) {
        return ModuleStreamSeed(faults_.seed, module_, stream, number);
    };
    return LinkConnection::Path{
        faults_, seed(monitor ? ModuleStream::MonitorToModule : ModuleStream::WebToModule),
        seed(monitor ? ModuleStream::MonitorFromModule : ModuleStream::WebFromModule), &segments_};
}

LinkCounts ModuleLink::counts() const {
    LinkCounts counts;
    counts.datagramsLostToModule = lostToModule_.load();
    counts.datagramsLostFromModule = lostFromModule_.load();
    counts.datagramsDoubled = doubled_.load();
    counts.segmentsHeldToModule = segments_.heldToModule.load();
    counts.segmentsHeldFromModule = segments_.heldFromModule.load();
    return counts;
}

}  // namespace quelvar::sim
