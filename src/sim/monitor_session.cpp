// Placeholder until the monitor port lands: accepts and closes.
#include "sim/monitor_session.h"

namespace quelvar::sim {

void RunMonitorSession(platform::Socket connection, MonitorContext&) { connection.close(); }

}  // namespace quelvar::sim
