#pragma once

#include <atomic>
#include <string>

#include "sim/link_connection.h"
#include "sim/module.h"

namespace quelvar::sim {

// "02-00-5E-10-00-01": the MAC as the tool and the simulator print it.
std::string MacText(const std::array<std::uint8_t, 6>& mac);

// The small HTML page a module serves on port 80, naming the module.
std::string WebPageHtml(const ModuleConfig& config);

// Answers one HTTP connection: reads the request head (bounded in time and
// size) and sends the page with status 200 to any GET, 405 to anything else.
// Ends the connection when done.
void ServeWebConnection(LinkConnection& connection, const ModuleConfig& config,
                        const std::atomic<bool>& stopping);

}  // namespace quelvar::sim
