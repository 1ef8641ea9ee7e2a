#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/module.h"

namespace quelvar::sim {

// "stop-mid-line" for MonitorFault::StopMidLine, and so on; "none" for None.
std::string_view MonitorFaultName(MonitorFault fault);
std::optional<MonitorFault> MonitorFaultFromName(std::string_view name);

// Applies one named behaviour to a module config, as the quelvar-sim program
// takes them from its command line:
//   silent            answers neither searches nor status queries
//   no-search         does not answer searches
//   broadcast-search-only  answers a search only when it is a broadcast
//   long-reply        a 31-byte search reply, which the tool must drop
//   twice             answers every search twice
//   delay=MS          answers searches after MS milliseconds
//   reply-port=PORT   answers searches from PORT instead of 30718
//   no-status         does not answer status queries
//   status-late=MS    answers status queries after MS milliseconds
//   status-short      a 60-byte status reply
//   status-long       a 125-byte status reply, which the tool must reject
//   status-ignore=N   ignores the first N status queries
//   ip-setup-delay=MS takes a new address MS milliseconds after IP-SETUP
//   ip-setup-ignore=N takes no notice of its first N IP-SETUP commands
//   refuse-record=N   refuses a write of record N (answers '1')
//   replaced-after-record=N  closes the connection right after storing a
//                     write of record N (before its echo), and another module
//                     (ReplacementModule) answers at its address from then on
//   echo-pause=MS     pauses MS milliseconds (up to 900) inside the echo of
//                     a record write, after "S<n>"
//   first-reply-late=MS  the first reply to an address not answered for a
//                     minute comes MS milliseconds late, and those behind it
//   reset-silence=MS  silent for MS milliseconds after "RS"
//   monitor-after-reset=MS  back from "RS" on the discovery port as usual,
//                     but its monitor port and web page open MS milliseconds
//                     (up to 10000) later; connections in between are refused
//   moves-on-reset    comes back from "RS" at the address in a record written
//                     to it (AddressPlaceInRecords)
//   no-monitor        no monitor port
//   no-web            no web page
//   monitor=FAULT     a fault of the monitor port, by MonitorFaultName
//   monitor-once=FAULT  that fault on the first monitor connection only
//                     (never-accept refused: it serves no connection)
//   link=SETTINGS     link faults of this module, by ParseLinkFaults, over
//                     those it already has
// False with a reason in `error` for an unknown name or a bad value.
bool ApplyProfile(ModuleConfig& config, std::string_view profile, std::string& error);

// The text of every profile, for the program's help.
std::string ProfileHelp();

}  // namespace quelvar::sim
