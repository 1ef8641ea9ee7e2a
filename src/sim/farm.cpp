// The farm serves every module's discovery traffic from one thread that
// polls all sockets, so that hundreds of modules can answer one search
// without a thread each. Delays are tasks on a timer queue run by that same
// thread, and so are the link faults of the datagrams. Only monitor and web
// connections get threads of their own, because their sessions block on the
// peer (and, with link faults, the pumps of their LinkConnection).
#include "sim/farm.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "monitor/telnet.h"
#include "sim/address_claims.h"
#include "sim/datagram_destination.h"
#include "sim/link_connection.h"
#include "sim/module_datagrams.h"
#include "sim/module_link.h"
#include "sim/monitor_session.h"
#include "sim/task_queue.h"
#include "sim/web_page.h"

namespace quelvar::sim {

namespace {

using Clock = TaskQueue::Clock;
using platform::Ipv4Endpoint;
using platform::Ipv4Octets;
using platform::Socket;

// Every wait of the serving thread is at most this long, so stop() is prompt
// even if a wake-up were lost.
constexpr auto kPollSlice = std::chrono::milliseconds(100);
constexpr std::size_t kReceiveCapacity = 2048;
// Datagrams taken from one socket per wake-up, so that one busy socket
// cannot starve the others.
constexpr int kMaxReceivesPerWake = 256;
// Connections accepted from one listener per wake-up.
constexpr int kMaxAcceptsPerWake = 16;
// Replies to one broadcast go out in bursts of this many per millisecond:
// real modules answer with some spread, and a burst of hundreds at once can
// overflow a default receive buffer on the tool's side.
constexpr std::size_t kRepliesPerBurst = 32;
constexpr int kListenBacklog = 16;
// A session whose module is being replaced waits at most this many poll
// slices for the serving thread to have done it.
constexpr int kMostReplacementWaits = 50;

bool IsBroadcastDestination(const Ipv4Octets& address) {
    return address == Ipv4Octets{255, 255, 255, 255} || address == Ipv4Octets{127, 255, 255, 255};
}

// An address one host can hold: not "this network", not multicast or above,
// not the loopback network's own address or its broadcast address.
bool IsHostAddress(const Ipv4Octets& address) {
    return address[0] != 0 && address[0] < 224 && address != Ipv4Octets{127, 0, 0, 0} &&
           !IsBroadcastDestination(address);
}

// Lets a farm of `modules` modules open its sockets: three per module plus
// the shared ones and the connections of the sessions.
void RaiseOpenFileLimit(std::size_t modules) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    rlim_t needed = static_cast<rlim_t>(modules * 3 + 256);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < needed) {
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? needed : limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int OpenListener(const Ipv4Endpoint& local, Socket& listener, int backlog = kListenBacklog) {
    int error = 0;
    Socket socket = Socket::openTcp(error);
    if (error != 0) return error;
    static_cast<void>(socket.setReuseAddress(true));
    if ((error = socket.setNonBlocking(true)) != 0) return error;
    if ((error = socket.bind(local)) != 0) return error;
    if ((error = socket.listen(backlog)) != 0) return error;
    listener = std::move(socket);
    return 0;
}

// A listener that is never accepted from, with its accept queue (of one
// connection, at a backlog of 0) taken by a connection of its own: the
// system then drops every further SYN and a connect waits for its time-out.
int OpenFullListener(const Ipv4Endpoint& local, Socket& listener, Socket& filler) {
    if (int error = OpenListener(local, listener, 0)) return error;
    int error = 0;
    filler = Socket::openTcp(error);
    if (error != 0) return error;
    return filler.connect(local, std::chrono::milliseconds(1000));
}

}  // namespace

struct ModuleState {
    // Shared with the module's monitor sessions (see MonitorContext).
    std::mutex mutex;
    ModuleConfig config;
    Bytes monitorReceived;
    std::set<int> recordsWritten;  // since the last reset
    int resets = 0;
    int connections = 0;
    // Written by the serving thread only, so it reads them without the lock.
    int replacements = 0;                  // modules replaced at this index
    std::optional<ModuleConfig> replaced;  // the last of them, as it left

    // Serving thread only (and start/stop while it is not running).
    ModuleConfig behaviour;  // how the module answers on the discovery port
    Ipv4Octets address{};    // where it lives now
    bool reachable = true;   // false once it took an address outside 127/8
    bool resetting = false;  // silent after "RS"
    // Back from a reset on the discovery port, its monitor port and web page
    // not open yet (ModuleConfig::monitorAfterReset).
    bool listenersLate = false;
    // Resets begun: a late opening of listeners knows by it whether its reset is the last.
    int restarts = 0;
    bool claimed = false;    // its address is claimed on the farm's adapter
    int statusQueries = 0;
    int ipSetups = 0;
    ModuleLink link;  // its path to the tool
    Socket udp;
    Socket monitor;
    Socket monitorFiller;  // fills the accept queue of a never-accepting monitor port
    Socket web;
};

struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
    std::unique_ptr<MonitorContext> context;  // outlives the thread that uses it
};

struct Farm::Impl {
    std::vector<std::unique_ptr<ModuleState>> modules;
    std::atomic<bool> stopping{false};
    bool running = false;

    Socket broadcast;  // 0.0.0.0:30718, shared by all modules
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread server;
    TaskQueue tasks;
    std::map<std::uint32_t, int> moduleAt;  // serving thread: address -> module index
    std::vector<Worker> workers;            // serving thread, then stop()

    mutable std::mutex datagramMutex;
    std::vector<ReceivedDatagram> datagrams;
    bool keepDatagrams = true;  // guarded by datagramMutex
    bool anyAddress = false;    // set before start: addresses outside 127/8 allowed
    LinkFaults linkFaults;      // set before start: of every module without its own
    // The farm's own link is one wire: a broadcast crosses it once and is
    // lost for, or late to, every module behind it alike. Only with faults.
    std::optional<LinkDirection> sharedWire;

    // Set before start: the adapter that module addresses go on, if any; and
    // while running, what the farm put there.
    std::string claimAdapter;
    std::unique_ptr<AddressClaims> claims;

    // Where a module may live and whom it may answer.
    bool servable(const Ipv4Octets& address) const {
        return anyAddress || IsLoopbackAddress(address);
    }

    ModuleState& at(int index) const { return *modules.at(static_cast<std::size_t>(index)); }

    int start();
    void stop();
    void wake() const;
    int openModule(int index);
    int openDiscoverySocket(int index);
    int openListeners(int index);
    void reopenModule(int index);
    void openLateListeners(int index, int restart);
    void closeModule(int index);
    void closeSockets();
    int claimAddress(int index);
    void releaseAddress(int index);
    void releaseAllAddresses();
    void serve();
    void receiveOnBroadcastSocket();
    void receiveOnModuleSocket(int index);
    // `wire`: how the datagram crossed a stretch shared with other modules
    // (nullopt inside: lost there); none: the module's own path decides.
    void handleDatagram(int index, const Ipv4Endpoint& from, const Ipv4Endpoint& to,
                        const Bytes& bytes, std::size_t burstPosition,
                        std::optional<std::optional<Clock::duration>> wire = std::nullopt);
    void takeDatagram(int index, const Ipv4Endpoint& from, const Ipv4Endpoint& to,
                      const Bytes& bytes, std::size_t burstPosition);
    // `identity`: the module's number of replacements when the reply was
    // made; a reply of a module replaced since then is lost with it.
    void answer(int index, Bytes reply, const Ipv4Endpoint& to, int identity);
    void transmit(int index, const Bytes& reply, const Ipv4Endpoint& to, int copies,
                  const Ipv4Octets& source, int identity);
    bool mayLiveAt(int index, const Ipv4Octets& address) const;
    void moveModule(int index, const Ipv4Octets& address);
    void beginReset(int index);
    void replaceModule(int index);
    void awaitReplacement(int index);
    void acceptMonitor(int index);
    void acceptWeb(int index);
    bool spawnWorker(std::function<void()> work, std::unique_ptr<MonitorContext> context);
    void reapWorkers(bool all);
};

int Farm::Impl::start() {
    if (running) return 0;
    stopping = false;
    for (const auto& module : modules) {
        if (!servable(module->address)) return EADDRNOTAVAIL;
    }
    if (!claimAdapter.empty()) {
        if (!anyAddress) return EINVAL;
        claims = std::make_unique<AddressClaims>(claimAdapter);
        if (int error = claims->open()) {
            claims.reset();
            return error;
        }
    }
    RaiseOpenFileLimit(modules.size());

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0) {
        const int error = errno;
        releaseAllAddresses();
        return error;
    }
    wakeRead = pipeEnds[0];
    wakeWrite = pipeEnds[1];

    int error = 0;
    broadcast = Socket::openUdp(error);
    if (error == 0) {
        static_cast<void>(broadcast.setReuseAddress(true));
        error = broadcast.setNonBlocking(true);
    }
    if (error == 0) error = EnableDestinationAddress(broadcast);
    if (error == 0) error = broadcast.bind(Ipv4Endpoint{{0, 0, 0, 0}, discovery::kDiscoveryPort});

    sharedWire.reset();
    if (linkFaults.any()) {
        sharedWire = LinkDirection::ToModule(
            linkFaults, ModuleStreamSeed(linkFaults.seed, -1, ModuleStream::SharedWire));
    }
    moduleAt.clear();
    for (int i = 0; error == 0 && i < static_cast<int>(modules.size()); ++i) {
        ModuleState& module = at(i);
        module.link.setUp(module.behaviour.linkFaults.value_or(linkFaults), i,
                          module.behaviour.firstReplyLate);
        if (!module.reachable) continue;
        module.resetting = false;
        module.listenersLate = false;
        // The address first: a socket binds only to an address the namespace has.
        error = claimAddress(i);
        if (error == 0) error = openModule(i);
        moduleAt[AddressNumber(module.address)] = i;
    }
    if (error == 0) {
        try {
            server = std::thread([this] { serve(); });
        } catch (const std::system_error& failure) {
            error = failure.code().value();
        }
    }
    if (error != 0) {
        closeSockets();
        releaseAllAddresses();
        return error;
    }
    running = true;
    return 0;
}

void Farm::Impl::stop() {
    if (!running) return;
    stopping = true;
    wake();
    server.join();
    reapWorkers(true);
    tasks.clear();
    closeSockets();
    releaseAllAddresses();
    running = false;
}

void Farm::Impl::closeSockets() {
    for (int i = 0; i < static_cast<int>(modules.size()); ++i) closeModule(i);
    broadcast.close();
    ::close(wakeRead);
    ::close(wakeWrite);
    wakeRead = wakeWrite = -1;
}

// Puts the module's address on the farm's adapter, when there is one. Only
// an address a host can hold goes there; a module told to take another one
// cannot be reached.
int Farm::Impl::claimAddress(int index) {
    ModuleState& module = at(index);
    if (!claims || module.claimed) return 0;
    if (!IsHostAddress(module.address)) return EADDRNOTAVAIL;
    if (int error = claims->claim(module.address)) return error;
    module.claimed = true;
    return 0;
}

void Farm::Impl::releaseAddress(int index) {
    ModuleState& module = at(index);
    if (!module.claimed) return;
    claims->release(module.address);
    module.claimed = false;
}

void Farm::Impl::releaseAllAddresses() {
    if (!claims) return;
    for (auto& module : modules) module->claimed = false;
    claims->releaseAll();
    claims.reset();
}

void Farm::Impl::wake() const {
    char byte = 1;
    // A full pipe already holds a wake-up; nothing more to do then.
    [[maybe_unused]] ssize_t written = ::write(wakeWrite, &byte, 1);
}

int Farm::Impl::openModule(int index) {
    if (int error = openDiscoverySocket(index)) return error;
    if (int error = openListeners(index)) {
        at(index).udp.close();
        return error;
    }
    return 0;
}

int Farm::Impl::openDiscoverySocket(int index) {
    ModuleState& module = at(index);
    int error = 0;
    Socket udp = Socket::openUdp(error);
    if (error != 0) return error;
    // Shares the discovery port with the farm's broadcast socket.
    static_cast<void>(udp.setReuseAddress(true));
    if ((error = udp.setNonBlocking(true)) != 0) return error;
    if ((error = udp.bind(Ipv4Endpoint{module.address, module.behaviour.replyPort})) != 0) {
        return error;
    }
    module.udp = std::move(udp);
    return 0;
}

// The monitor port and the web page.
int Farm::Impl::openListeners(int index) {
    ModuleState& module = at(index);
    int error = 0;
    Socket monitor;
    Socket monitorFiller;
    if (module.behaviour.monitorPort) {
        const Ipv4Endpoint local{module.address, monitor::kMonitorPort};
        error = module.behaviour.monitorFault == MonitorFault::NeverAccept
                    ? OpenFullListener(local, monitor, monitorFiller)
                    : OpenListener(local, monitor);
        if (error != 0) return error;
    }
    Socket web;
    if (module.behaviour.webPage) {
        error = OpenListener(Ipv4Endpoint{module.address, kWebPort}, web);
        // Port 80 needs privileges; without them the module simply has no page.
        if (error == EACCES || error == EPERM) error = 0;
        if (error != 0) return error;
    }
    module.monitor = std::move(monitor);
    module.monitorFiller = std::move(monitorFiller);
    module.web = std::move(web);
    return 0;
}

// Opens a module's sockets again after a move or a reset; only the discovery
// socket while its listeners are late after a reset. A module that cannot
// live at its address is as unreachable as one on another network.
void Farm::Impl::reopenModule(int index) {
    ModuleState& module = at(index);
    const int error = module.listenersLate ? openDiscoverySocket(index) : openModule(index);
    if (error != 0) module.reachable = false;
}

// The listeners that reset number `restart` kept closed, opened at wherever
// the module lives by now (an IP-SETUP may have moved it meanwhile). Nothing
// to open when another reset began since (its own silence rules), or when
// the module can no longer be reached.
void Farm::Impl::openLateListeners(int index, int restart) {
    ModuleState& module = at(index);
    if (module.restarts != restart || !module.listenersLate) return;
    module.listenersLate = false;
    if (module.resetting || !module.reachable || !module.udp.isOpen()) return;
    if (openListeners(index) != 0) {
        closeModule(index);
        module.reachable = false;
    }
}

void Farm::Impl::closeModule(int index) {
    ModuleState& module = at(index);
    module.udp.close();
    module.monitor.close();
    module.monitorFiller.close();
    module.web.close();
}

void Farm::Impl::serve() {
    enum class Kind { Wake, Broadcast, Udp, Monitor, Web };
    struct Slot {
        Kind kind;
        int module;
    };
    std::vector<pollfd> fds;
    std::vector<Slot> slots;
    while (!stopping.load()) {
        tasks.runDue(Clock::now());

        fds.clear();
        slots.clear();
        auto watch = [&](int fd, Kind kind, int module) {
            fds.push_back(pollfd{fd, POLLIN, 0});
            slots.push_back(Slot{kind, module});
        };
        watch(wakeRead, Kind::Wake, -1);
        watch(broadcast.native(), Kind::Broadcast, -1);
        for (int i = 0; i < static_cast<int>(modules.size()); ++i) {
            ModuleState& module = at(i);
            if (module.udp.isOpen()) watch(module.udp.native(), Kind::Udp, i);
            if (module.monitor.isOpen() &&
                module.behaviour.monitorFault != MonitorFault::NeverAccept) {
                watch(module.monitor.native(), Kind::Monitor, i);
            }
            if (module.web.isOpen()) watch(module.web.native(), Kind::Web, i);
        }

        auto timeout = kPollSlice;
        if (auto due = tasks.nextDue()) {
            auto untilDue = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
            timeout = std::clamp(untilDue, std::chrono::milliseconds(0), kPollSlice);
        }
        int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
        if (ready <= 0) {
            reapWorkers(false);
            continue;
        }
        for (std::size_t n = 0; n < fds.size() && !stopping.load(); ++n) {
            if ((fds[n].revents & (POLLIN | POLLERR | POLLHUP)) == 0) continue;
            switch (slots[n].kind) {
                case Kind::Wake: {
                    char drain[64];
                    while (::read(wakeRead, drain, sizeof drain) > 0) {
                    }
                    break;
                }
                case Kind::Broadcast:
                    receiveOnBroadcastSocket();
                    break;
                case Kind::Udp:
                    receiveOnModuleSocket(slots[n].module);
                    break;
                case Kind::Monitor:
                    acceptMonitor(slots[n].module);
                    break;
                case Kind::Web:
                    acceptWeb(slots[n].module);
                    break;
            }
        }
        reapWorkers(false);
    }
}

void Farm::Impl::receiveOnBroadcastSocket() {
    Bytes buffer(kReceiveCapacity);
    for (int n = 0; n < kMaxReceivesPerWake; ++n) {
        std::size_t size = 0;
        Ipv4Endpoint from;
        Ipv4Endpoint to;
        int error = ReceiveWithDestination(broadcast, buffer.data(), buffer.size(), size, from, to);
        if (error != 0 && error != platform::socket_error::kMessageTooLong) return;
        Bytes bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size));

        auto addressed = moduleAt.find(AddressNumber(to.octets));
        if (addressed != moduleAt.end()) {
            // Sent to one module whose discovery socket is not on this port
            // (another reply port, or closed while the module resets).
            handleDatagram(addressed->second, from, to, bytes, 0);
        } else if (IsBroadcastDestination(to.octets)) {
            std::optional<std::optional<Clock::duration>> wire;
            if (sharedWire) {
                const bool lost = sharedWire->lose();
                const auto delay = sharedWire->delay();
                wire = lost ? std::nullopt : std::optional<Clock::duration>(delay);
            }
            std::size_t position = 0;
            for (int i = 0; i < static_cast<int>(modules.size()); ++i) {
                if (!at(i).reachable) continue;
                const bool ownPath = at(i).behaviour.linkFaults.has_value();
                handleDatagram(i, from, to, bytes, position++,
                               ownPath ? std::nullopt : wire);
            }
        } else {
            // An address no module holds: nobody answers, the tests see it.
            std::lock_guard lock(datagramMutex);
            if (keepDatagrams) datagrams.push_back(ReceivedDatagram{-1, from, to, bytes});
        }
    }
}

void Farm::Impl::receiveOnModuleSocket(int index) {
    ModuleState& module = at(index);
    Bytes buffer(kReceiveCapacity);
    Ipv4Endpoint to{module.address, module.behaviour.replyPort};
    for (int n = 0; n < kMaxReceivesPerWake && module.udp.isOpen(); ++n) {
        std::size_t size = 0;
        Ipv4Endpoint from;
        int error = module.udp.receiveFrom(buffer.data(), buffer.size(), size, from);
        if (error != 0 && error != platform::socket_error::kMessageTooLong) return;
        Bytes bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size));
        handleDatagram(index, from, to, bytes, 0);
    }
}

// The path to the module: a datagram may be lost on the way or arrive late.
void Farm::Impl::handleDatagram(int index, const Ipv4Endpoint& from, const Ipv4Endpoint& to,
                                const Bytes& bytes, std::size_t burstPosition,
                                std::optional<std::optional<Clock::duration>> wire) {
    ModuleLink& link = at(index).link;
    std::optional<Clock::duration> delay;
    if (wire) {
        delay = *wire;
        if (!delay) link.lostOnTheWay();
    } else {
        delay = link.datagramToModule(AddressNumber(to.octets),
                                      !IsBroadcastDestination(to.octets));
    }
    if (!delay) return;
    if (*delay == Clock::duration::zero()) {
        takeDatagram(index, from, to, bytes, burstPosition);
        return;
    }
    tasks.post(Clock::now() + *delay, [this, index, from, to, bytes, burstPosition] {
        // Addressed to where the module lived when it was sent.
        if (!IsBroadcastDestination(to.octets) && to.octets != at(index).address) return;
        takeDatagram(index, from, to, bytes, burstPosition);
    });
}

void Farm::Impl::takeDatagram(int index, const Ipv4Endpoint& from, const Ipv4Endpoint& to,
                              const Bytes& bytes, std::size_t burstPosition) {
    {
        std::lock_guard lock(datagramMutex);
        if (keepDatagrams) datagrams.push_back(ReceivedDatagram{index, from, to, bytes});
    }
    ModuleState& module = at(index);
    if (!module.reachable || module.resetting) return;
    auto code = CommandCode(bytes.data(), bytes.size());
    if (!code) return;
    const ModuleConfig& behaviour = module.behaviour;
    auto now = Clock::now();

    if (*code == discovery::kSearchCommand) {
        if (!behaviour.answersSearch) return;
        if (!behaviour.answersAddressedSearch && !IsBroadcastDestination(to.octets)) return;
        auto spread = std::chrono::milliseconds(burstPosition / kRepliesPerBurst);
        Bytes reply = BuildSearchReply(behaviour, module.link.replyNoise());
        for (int copy = 0; copy < behaviour.searchReplyCount; ++copy) {
            tasks.post(now + behaviour.searchReplyDelay + spread,
                       [this, index, reply, from, identity = module.replacements] {
                           answer(index, reply, from, identity);
                       });
        }
    } else if (*code == discovery::kStatusCommand) {
        ++module.statusQueries;
        if (!behaviour.answersStatus ||
            module.statusQueries <= behaviour.ignoreFirstStatusQueries) {
            return;
        }
        tasks.post(
            now + behaviour.statusReplyDelay, [this, index, from, identity = module.replacements] {
                ModuleState& answering = at(index);
                answer(index, BuildStatusReply(answering.behaviour, answering.link.replyNoise()),
                       from, identity);
            });
    } else if (*code == discovery::kIpSetupCommand) {
        if (auto address = IpSetupAddressFor(behaviour, bytes.data(), bytes.size())) {
            if (++module.ipSetups <= behaviour.ignoreFirstIpSetups) return;
            tasks.post(now + behaviour.ipSetupDelay,
                       [this, index, address = *address, identity = module.replacements] {
                           // A module replaced meanwhile took the command with it.
                           if (at(index).replacements == identity) moveModule(index, address);
                       });
        }
    }
}

void Farm::Impl::answer(int index, Bytes reply, const Ipv4Endpoint& to, int identity) {
    ModuleState& module = at(index);
    // A module that moved away, began a reset or was replaced meanwhile has
    // nothing to say, and nothing ever goes to an address outside the
    // loopback network.
    if (!module.reachable || module.resetting || !module.udp.isOpen() ||
        module.replacements != identity) {
        return;
    }
    if (!servable(to.octets)) return;
    // The path from the module: the reply may be lost, doubled or late.
    const ModuleLink::Reply path = module.link.replyFromModule(AddressNumber(to.octets));
    if (path.copies == 0) return;
    if (path.delay == Clock::duration::zero()) {
        transmit(index, reply, to, path.copies, module.address, identity);
        return;
    }
    tasks.post(
        Clock::now() + path.delay,
        [this, index, reply = std::move(reply), to, copies = path.copies, source = module.address,
         identity] { transmit(index, reply, to, copies, source, identity); });
}

// A reply on its way leaves from the module's socket when it is due. A module
// that closed that socket meanwhile (a reset, a new address, a replacement)
// has no socket to send it from, and the reply is lost with it.
void Farm::Impl::transmit(int index, const Bytes& reply, const Ipv4Endpoint& to, int copies,
                          const Ipv4Octets& source, int identity) {
    ModuleState& module = at(index);
    if (!module.udp.isOpen() || module.address != source || module.replacements != identity) {
        return;
    }
    for (int copy = 0; copy < copies; ++copy) {
        static_cast<void>(module.udp.sendTo(reply.data(), reply.size(), to));
    }
}

// Whether a module coming back from a reset may take `address`: one it may
// live at, not its own, and not another module's.
bool Farm::Impl::mayLiveAt(int index, const Ipv4Octets& address) const {
    return servable(address) && IsHostAddress(address) && address != at(index).address &&
           moduleAt.find(AddressNumber(address)) == moduleAt.end();
}

void Farm::Impl::moveModule(int index, const Ipv4Octets& address) {
    ModuleState& module = at(index);
    closeModule(index);
    moduleAt.erase(AddressNumber(module.address));
    releaseAddress(index);
    module.address = address;
    {
        std::lock_guard lock(module.mutex);
        module.config.address = address;
    }
    module.reachable = servable(address) && claimAddress(index) == 0;
    if (!module.reachable) return;
    moduleAt[AddressNumber(address)] = index;
    if (!module.resetting) reopenModule(index);
}

void Farm::Impl::beginReset(int index) {
    ModuleState& module = at(index);
    if (module.resetting) return;
    module.resetting = true;
    const int restart = ++module.restarts;
    // Closed listeners refuse connections, as a restarting module does.
    closeModule(index);
    std::optional<Ipv4Octets> next;
    {
        std::lock_guard lock(module.mutex);
        next = AddressInWrittenRecords(module.config, module.recordsWritten);
        module.recordsWritten.clear();
    }
    tasks.post(Clock::now() + module.behaviour.resetSilence, [this, index, next, restart] {
        ModuleState& restarted = at(index);
        restarted.resetting = false;
        restarted.statusQueries = 0;
        // The discovery port comes back first; the listeners follow when due.
        const auto listenersAfter = restarted.behaviour.monitorAfterReset;
        restarted.listenersLate = listenersAfter > std::chrono::milliseconds(0);
        if (next && mayLiveAt(index, *next)) {
            moveModule(index, *next);  // and opens its sockets there, listeners late too
        } else if (restarted.reachable) {
            reopenModule(index);
        }
        if (restarted.listenersLate) {
            tasks.post(Clock::now() + listenersAfter,
                       [this, index, restart] { openLateListeners(index, restart); });
        }
    });
}

// Another module takes this one's place at its address: its own MAC and
// records, its own sockets. What was on its way to or from the one that left
// is lost with it; the counts of the index go on.
void Farm::Impl::replaceModule(int index) {
    ModuleState& module = at(index);
    ModuleConfig replacement;
    {
        std::lock_guard lock(module.mutex);
        module.replaced = module.config;
        module.config = ReplacementModule(module.config);
        module.recordsWritten.clear();
        ++module.replacements;
        replacement = module.config;
    }
    module.behaviour = std::move(replacement);
    module.statusQueries = 0;
    module.ipSetups = 0;
    if (module.reachable && !module.resetting) {
        closeModule(index);
        reopenModule(index);
    }
}

// From the session of the module being replaced: the replacement is made on
// the serving thread, and the session (and with it the connection) ends only
// once it is there, so that whatever the tool sends after seeing the
// connection close meets the replacement.
void Farm::Impl::awaitReplacement(int index) {
    auto replaced = std::make_shared<std::promise<void>>();
    std::future<void> done = replaced->get_future();
    tasks.post(Clock::now(), [this, index, replaced] {
        replaceModule(index);
        replaced->set_value();
    });
    wake();
    for (int n = 0; n < kMostReplacementWaits && !stopping.load(); ++n) {
        if (done.wait_for(kPollSlice) == std::future_status::ready) return;
    }
}

void Farm::Impl::acceptMonitor(int index) {
    ModuleState& module = at(index);
    for (int n = 0; n < kMaxAcceptsPerWake && module.monitor.isOpen(); ++n) {
        int error = 0;
        Socket connection = module.monitor.accept(error);
        if (error != 0) return;
        static_cast<void>(connection.setNonBlocking(false));
        {
            std::lock_guard lock(module.mutex);
            ++module.connections;
        }
        auto context = std::make_unique<MonitorContext>(
            MonitorContext{module.mutex, module.config, module.monitorReceived,
                           module.recordsWritten, module.resets, module.replacements, stopping,
                           [this, index] {
                               // From the session's thread: the reset itself runs on the serving
                               // thread.
                               tasks.post(Clock::now(), [this, index] { beginReset(index); });
                               wake();
                           },
                           [this, index] { awaitReplacement(index); }});
        MonitorContext* session = context.get();
        auto shared = std::make_shared<Socket>(std::move(connection));
        spawnWorker(
            [this, shared, session, path = module.link.nextConnection(ModuleLink::Port::Monitor)] {
                LinkConnection link(std::move(*shared), path, stopping);
                if (link.start() == 0) RunMonitorSession(link, *session);
            },
            std::move(context));
    }
}

void Farm::Impl::acceptWeb(int index) {
    ModuleState& module = at(index);
    for (int n = 0; n < kMaxAcceptsPerWake && module.web.isOpen(); ++n) {
        int error = 0;
        Socket connection = module.web.accept(error);
        if (error != 0) return;
        static_cast<void>(connection.setNonBlocking(false));
        ModuleConfig snapshot;
        {
            std::lock_guard lock(module.mutex);
            snapshot = module.config;
        }
        auto shared = std::make_shared<Socket>(std::move(connection));
        spawnWorker(
            [this, shared, snapshot, path = module.link.nextConnection(ModuleLink::Port::Web)] {
                LinkConnection link(std::move(*shared), path, stopping);
                if (link.start() == 0) ServeWebConnection(link, snapshot, stopping);
            },
            nullptr);
    }
}

bool Farm::Impl::spawnWorker(std::function<void()> work, std::unique_ptr<MonitorContext> context) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread thread([work = std::move(work), done] {
            work();
            done->store(true);
        });
        workers.push_back(Worker{std::move(thread), done, std::move(context)});
        return true;
    } catch (const std::system_error&) {
        return false;  // the connection closes with the work that owned it
    }
}

void Farm::Impl::reapWorkers(bool all) {
    for (auto worker = workers.begin(); worker != workers.end();) {
        if (all || worker->done->load()) {
            worker->thread.join();
            worker = workers.erase(worker);
        } else {
            ++worker;
        }
    }
}

Farm::Farm(std::vector<ModuleConfig> modules) : impl_(std::make_unique<Impl>()) {
    for (auto& config : modules) {
        auto state = std::make_unique<ModuleState>();
        state->behaviour = config;
        state->address = config.address;
        state->config = std::move(config);
        impl_->modules.push_back(std::move(state));
    }
}

Farm::~Farm() {
    stop();
}

int Farm::start() {
    return impl_->start();
}

void Farm::stop() {
    impl_->stop();
}

std::size_t Farm::size() const {
    return impl_->modules.size();
}

ModuleConfig Farm::module(int index) const {
    ModuleState& module = impl_->at(index);
    std::lock_guard lock(module.mutex);
    return module.config;
}

void Farm::allowAnyAddress(bool allow) {
    impl_->anyAddress = allow;
}

void Farm::claimAddressesOn(const std::string& adapterName) {
    impl_->claimAdapter = adapterName;
}

std::optional<ModuleConfig> Farm::replacedModule(int index) const {
    ModuleState& module = impl_->at(index);
    std::lock_guard lock(module.mutex);
    return module.replaced;
}

void Farm::setLinkFaults(const LinkFaults& faults) {
    impl_->linkFaults = faults;
}

void Farm::keepDatagrams(bool keep) {
    std::lock_guard lock(impl_->datagramMutex);
    impl_->keepDatagrams = keep;
}

LinkCounts Farm::linkCounts(int index) const {
    return impl_->at(index).link.counts();
}

std::vector<ReceivedDatagram> Farm::receivedDatagrams() const {
    std::lock_guard lock(impl_->datagramMutex);
    return impl_->datagrams;
}

Bytes Farm::monitorBytesReceived(int index) const {
    ModuleState& module = impl_->at(index);
    std::lock_guard lock(module.mutex);
    return module.monitorReceived;
}

int Farm::monitorConnections(int index) const {
    ModuleState& module = impl_->at(index);
    std::lock_guard lock(module.mutex);
    return module.connections;
}

int Farm::resets(int index) const {
    ModuleState& module = impl_->at(index);
    std::lock_guard lock(module.mutex);
    return module.resets;
}

}  // namespace quelvar::sim
