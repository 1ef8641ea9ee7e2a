#include "ops/events.h"

#include <string>

namespace quelvar::ops {

void AppendCapped(std::string& log, std::string_view text, std::size_t cap) {
    log.append(text);
    if (log.size() > cap) log.erase(0, log.size() - cap);
}

void ReportSocketError(Events& events, int code) {
    events.alert(Failed(OutcomeKind::SocketError, code));
    events.log("error:" + std::to_string(code) + "\r\n");
}

}  // namespace quelvar::ops
