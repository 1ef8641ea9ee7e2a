#include "ops/transfer.h"

#include <cerrno>
#include <string>

#include "platform/process.h"
#include "platform/socket.h"

namespace quelvar::ops {

namespace {

using namespace std::chrono_literals;

// A module restarting after its reset refuses connections until its monitor
// port is open again: asked again a second apart, for as long as a module
// takes to restart.
constexpr auto kRefusedPause = 1s;
constexpr int kRefusedConnects = 10;

bool refused(int code) {
#ifdef _WIN32
    return code == 10061;  // WSAECONNREFUSED
#else
    return code == ECONNREFUSED;
#endif
}

}  // namespace

monitor::TransferHooks HooksFor(Events& events) {
    return {
        [&events](std::string_view text) { events.log(text); },
        [&events](int number) { events.stage(Stage::Record, number); },
        [](std::chrono::milliseconds duration) { platform::sleepFor(duration); },
    };
}

int MonitorLink::enterOnce(monitor::TelnetSocket& socket, const char* afterMode,
                           const char* afterRequest) {
    events_.log("telnet:start.");
    events_.log("connect.");
    socket.lateAnswer = lossy_ ? retries_.lossyLateAnswer : retries_.lateAnswer;
    socket.lossyLateAnswer = retries_.lossyLateAnswer;
    socket.lossy = lossy_ && retries_.lossyLateAnswer.count() > 0;
    if (int code = monitor::TelnetConnect(socket, device_.address.octets)) return code;
    events_.log("success.\r\n");
    int code = monitor::EnterMonitorMode(
        socket, [&] { if (afterMode != nullptr) events_.log(afterMode); },
        [&] { if (afterRequest != nullptr) events_.log(afterRequest); });
    if (code != 0) return code;  // the connection stays open for the caller to close
    events_.log("success.\r\n");
    return 0;
}

int MonitorLink::enter(monitor::TelnetSocket& socket, const char* afterMode,
                       const char* afterRequest) {
    unsigned failures = 0;  // entries that failed, but for refusals while restarting
    int refusals = 0;
    // Bounded: every pass is a failure or a refusal, both counted.
    for (;;) {
        const int code = enterOnce(socket, afterMode, afterRequest);
        if (code == 0) return 0;
        const bool restarting = refused(code) && retries_.monitorEntries > 1 &&
                                ++refusals < kRefusedConnects;
        if (!restarting && ++failures >= retries_.monitorEntries) {
            ReportSocketError(events_, code);
            monitor::TelnetClose(socket);
            return code;
        }
        monitor::TelnetClose(socket);
        // Nothing was written on that connection: entering again does no harm.
        events_.log("error:" + std::to_string(code) + "\r\n");
        lossy_ = true;
        const Fact reason = FactOf(Failed(OutcomeKind::SocketError, code));
        if (restarting) {
            if (refusals == 1) events_.note(Reason{{FactKind::MonitorRefused, {}}, reason});
            platform::sleepFor(kRefusedPause);
            continue;
        }
        events_.note(Reason{{FactKind::MonitorEntryFailed,
                             {std::to_string(failures + 1), std::to_string(retries_.monitorEntries)}},
                            reason});
    }
}

}  // namespace quelvar::ops
