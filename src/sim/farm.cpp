// Placeholder: the serving loop comes with the simulator's own change.
#include "sim/farm.h"

namespace quelvar::sim {

struct Farm::Impl {
    std::vector<ModuleConfig> modules;
};

Farm::Farm(std::vector<ModuleConfig> modules) : impl_(std::make_unique<Impl>()) {
    impl_->modules = std::move(modules);
}
Farm::~Farm() { stop(); }
int Farm::start() { return 0; }
void Farm::stop() {}
std::size_t Farm::size() const { return impl_->modules.size(); }
ModuleConfig Farm::module(int index) const { return impl_->modules.at(static_cast<std::size_t>(index)); }
std::vector<ReceivedDatagram> Farm::receivedDatagrams() const { return {}; }
Bytes Farm::monitorBytesReceived(int) const { return {}; }
int Farm::monitorConnections(int) const { return 0; }
int Farm::resets(int) const { return 0; }

}  // namespace quelvar::sim
