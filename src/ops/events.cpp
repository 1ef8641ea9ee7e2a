#include "ops/events.h"

#include <string>

namespace quelvar::ops {

void AppendCapped(std::string& log, std::string_view text, std::size_t cap) {
    log.append(text);
    if (log.size() > cap) log.erase(0, log.size() - cap);
}

int ProgressPosition(Operation operation, Stage stage, int number) {
    switch (stage) {
        case Stage::Begun: return operation == Operation::ApplyRecords ? 0 : 1;
        case Stage::SocketOpened: return 2;
        case Stage::CommandBuilt: return 3;
        case Stage::CommandSent: return 5;
        case Stage::AwaitingModule: return 6;
        case Stage::ModuleAwaited: return 8;
        case Stage::MonitorEntered: return 1;
        // A download moves the bar to the record's number plus one; an upload to its pass.
        case Stage::Record: return operation == Operation::ReadRecords ? number + 1 : number;
        case Stage::Saving: return 11;
        case Stage::Saved: return 12;
        case Stage::ResetSent: return 11;
        case Stage::Closed: return 12;
        case Stage::Ended: break;
    }
    return 0;
}

int ProgressWhileDone(Operation operation) {
    return operation == Operation::ApplyRecords ? 13 : 10;
}

void ReportSocketError(Events& events, int code) {
    events.alert(Failed(OutcomeKind::SocketError, code));
    events.log("error:" + std::to_string(code) + "\r\n");
}

}  // namespace quelvar::ops
