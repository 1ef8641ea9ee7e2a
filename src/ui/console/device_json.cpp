#include "ui/console/device_json.h"

#include <nlohmann/json.hpp>

#include "ui/console/options.h"

namespace quelvar::ui::console {

namespace {

// Bytes read as the characters of their numbers (U+0000 to U+00FF), in UTF-8.
std::string charactersOfBytes(const char* bytes, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text += static_cast<char>(byte);
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

}  // namespace

std::string DevicesJson(const std::vector<discovery::DeviceEntry>& modules) {
    nlohmann::ordered_json devices = nlohmann::ordered_json::array();
    for (const discovery::DeviceEntry& module : modules) {
        const discovery::DeviceEntry* entry = &module;
        devices.push_back({
            {"mac", FormatMac(entry->mac)},
            {"ip", entry->ipText},
            {"port", entry->address.port},
            {"product", charactersOfBytes(entry->productLetters.data(), entry->productLetters.size())},
            {"version", std::to_string(entry->versionMajor) + "." + std::to_string(entry->versionMinor)},
        });
        if (!entry->adapter.empty()) devices.back()["interface"] = entry->adapter;
    }
    return devices.dump(-1, ' ', true);
}

}  // namespace quelvar::ui::console
