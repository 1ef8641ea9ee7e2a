#include "ops/transfer.h"

#include "platform/process.h"

namespace quelvar::ops {

monitor::TransferHooks HooksFor(Events& events) {
    return {
        [&events](std::string_view text) { events.log(text); },
        [&events](int number) { events.stage(Stage::Record, number); },
        [](std::chrono::milliseconds duration) { platform::sleepFor(duration); },
    };
}

int OpenMonitor(monitor::TelnetSocket& socket, const discovery::DeviceEntry& device,
                std::chrono::milliseconds lateAnswer, Events& events, const char* afterMode,
                const char* afterRequest) {
    events.log("telnet:start.");
    events.log("connect.");
    socket.lateAnswer = lateAnswer;
    if (int code = monitor::TelnetConnect(socket, device.address.octets)) {
        ReportSocketError(events, code);
        return code;
    }
    events.log("success.\r\n");
    int code = monitor::EnterMonitorMode(
        socket, [&] { if (afterMode != nullptr) events.log(afterMode); },
        [&] { if (afterRequest != nullptr) events.log(afterRequest); });
    if (code != 0) {
        ReportSocketError(events, code);
        monitor::TelnetClose(socket);
        return code;
    }
    events.log("success.\r\n");
    return 0;
}

}  // namespace quelvar::ops
