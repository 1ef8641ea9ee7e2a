#include "sim/web_page.h"

#include <chrono>
#include <cstdio>

namespace quelvar::sim {

namespace {

constexpr std::size_t kMaxRequestHead = 8192;
constexpr auto kReceiveSlice = std::chrono::milliseconds(100);
constexpr int kMaxSlices = 20;  // a client gets two seconds to send its request

std::string Response(const std::string& status, const std::string& body) {
    return "HTTP/1.0 " + status +
           "\r\nContent-Type: text/html; charset=us-ascii\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

std::string MacText(const std::array<std::uint8_t, 6>& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string WebPageHtml(const ModuleConfig& config) {
    platform::Ipv4Endpoint endpoint{config.address, 0};
    std::string letters{config.productLetters[0], config.productLetters[1]};
    std::string version =
        std::to_string(config.versionMajor) + "." + std::to_string(config.versionMinor);
    return "<!DOCTYPE html>\n<html><head><title>QUELVAR module " + MacText(config.mac) +
           "</title></head>\n<body><h1>QUELVAR module</h1>\n<table>\n<tr><td>MAC</td><td>" +
           MacText(config.mac) + "</td></tr>\n<tr><td>Product</td><td>" + letters +
           "</td></tr>\n<tr><td>Firmware</td><td>" + version +
           "</td></tr>\n<tr><td>Address</td><td>" + endpoint.addressText() +
           "</td></tr>\n</table></body></html>\n";
}

void ServeWebConnection(LinkConnection& connection, const ModuleConfig& config,
                        const std::atomic<bool>& stopping) {
    static_cast<void>(connection.setSendTimeout(std::chrono::milliseconds(1000)));
    std::string head;
    char buffer[1024];
    for (int slice = 0; slice < kMaxSlices && !stopping.load(); ++slice) {
        bool readable = false;
        if (connection.waitReadable(kReceiveSlice, readable) != 0) return;
        if (!readable) continue;
        std::size_t received = 0;
        if (connection.receive(buffer, sizeof buffer, received) != 0 || received == 0) return;
        head.append(buffer, received);
        if (head.find("\r\n\r\n") != std::string::npos || head.find("\n\n") != std::string::npos ||
            head.size() >= kMaxRequestHead) {
            break;
        }
    }
    if (head.empty()) return;
    std::string response = head.rfind("GET ", 0) == 0
                               ? Response("200 OK", WebPageHtml(config))
                               : Response("405 Method Not Allowed", "<html>GET only</html>\n");
    static_cast<void>(connection.send(response.data(), response.size()));
    connection.shutdownBoth();
}

}  // namespace quelvar::sim
