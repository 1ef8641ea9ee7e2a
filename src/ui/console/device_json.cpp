#include "ui/console/device_json.h"

#include <cstdio>

#include "ui/console/device_selector.h"

namespace quelvar::ui::console {

std::string JsonString(std::string_view bytes) {
    std::string json = "\"";
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (byte < 0x20 || byte > 0x7E) {
                    char escaped[7];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    json += escaped;
                } else {
                    json += c;
                }
        }
    }
    json += '"';
    return json;
}

std::string DevicesJson(const discovery::DeviceTable& table) {
    std::string json = "[";
    for (int row = 0; const discovery::DeviceEntry* device = table.rowAt(row); ++row) {
        const discovery::DeviceEntry& entry = *device;
        if (row > 0) json += ",";
        json += "{\"mac\":" + JsonString(FormatMac(entry.mac));
        json += ",\"ip\":" + JsonString(entry.ipText);
        json += ",\"port\":" + std::to_string(entry.address.port);
        json += ",\"product\":" + JsonString(std::string_view(entry.productLetters.data(),
                                                              entry.productLetters.size()));
        json += ",\"version\":" + JsonString(std::to_string(entry.versionMajor) + "." +
                                             std::to_string(entry.versionMinor));
        if (!entry.adapter.empty()) json += ",\"interface\":" + JsonString(entry.adapter);
        json += "}";
    }
    json += "]";
    return json;
}

}  // namespace quelvar::ui::console
