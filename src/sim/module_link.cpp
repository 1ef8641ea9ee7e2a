#include "sim/module_link.h"

namespace quelvar::sim {

void ModuleLink::setUp(const LinkFaults& faults, int module) {
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
    monitorConnections_ = 0;
    webConnections_ = 0;
}

std::optional<ModuleLink::Clock::duration> ModuleLink::datagramToModule() {
    if (!toModule_) return Clock::duration::zero();
    const bool lost = toModule_->lose();
    const auto delay = toModule_->delay();
    if (lost) {
        ++lostToModule_;
        return std::nullopt;
    }
    return delay;
}

ModuleLink::Reply ModuleLink::replyFromModule() {
    if (!fromModule_) return Reply{};
    // Every choice is drawn every time, so that one rate does not shift the others.
    const bool lost = fromModule_->lose();
    const bool twice = fromModule_->duplicate();
    const auto delay = fromModule_->delay();
    if (lost) {
        ++lostFromModule_;
        return Reply{0, delay};
    }
    if (twice) ++doubled_;
    return Reply{twice ? 2 : 1, delay};
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
