#include "sim/module.h"

#include <algorithm>

#include "records/rec_file.h"
#include "sim/random_stream.h"

namespace quelvar::sim {

namespace {

// The records a module holds from the start: a file downloaded from it
// carries them all, so a test changes bytes in place rather than adding one.
constexpr int kDefaultRecordNumbers[] = {0, 2, 3, 4, 5, 6, 7, 8};

}  // namespace

std::map<int, Bytes> DefaultRecords(std::uint8_t seed) {
    std::map<int, Bytes> records;
    for (int number : kDefaultRecordNumbers) {
        Bytes data(quelvar::records::RecordDataSize(static_cast<std::uint8_t>(number)));
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<std::uint8_t>(seed + number * 31 + i * 7);
        }
        records[number] = data;
    }
    return records;
}

ModuleConfig DefaultModule(int index) {
    ModuleConfig config;
    int host = 2 + index;
    config.address = {127, 0, static_cast<std::uint8_t>(host / 256),
                      static_cast<std::uint8_t>(host % 256)};
    config.mac = {0x02, 0x00, 0x5E, 0x10, static_cast<std::uint8_t>(index / 256),
                  static_cast<std::uint8_t>(index % 256)};
    config.productLetters = {static_cast<char>('A' + index % 26), static_cast<char>('A' + (index / 26) % 26)};
    config.versionMajor = static_cast<std::uint8_t>(6 + index % 3);
    config.versionMinor = static_cast<std::uint8_t>(index % 10);
    config.records = DefaultRecords(static_cast<std::uint8_t>(index));
    return config;
}

ModuleConfig ReplacementModule(const ModuleConfig& replaced) {
    ModuleConfig replacement;
    replacement.address = replaced.address;
    replacement.productLetters = replaced.productLetters;
    replacement.versionMajor = replaced.versionMajor;
    replacement.versionMinor = replaced.versionMinor;
    replacement.mac = replaced.mac;
    replacement.mac[3] = static_cast<std::uint8_t>(replaced.mac[3] ^ 0x80);
    replacement.mac[4] = static_cast<std::uint8_t>(replaced.mac[4] ^ 0x5A);
    replacement.mac[5] = static_cast<std::uint8_t>(replaced.mac[5] ^ 0xA5);
    // Seeded with the new MAC's last byte, never the old one's, which is the
    // seed DefaultModule gives: the records differ from the replaced
    // module's defaults at every byte.
    replacement.records = DefaultRecords(replacement.mac[5]);
    // The path to it is the same LAN's.
    replacement.linkFaults = replaced.linkFaults;
    return replacement;
}

RecordPlace AddressPlaceInRecords(const ModuleConfig& config) {
    std::uint64_t mac = 0;
    for (std::uint8_t byte : config.mac) mac = (mac << 8) | byte;
    RandomStream choice(DeriveSeed(mac, 0x41444452));  // "ADDR"
    constexpr auto kChoices = std::size(kDefaultRecordNumbers);
    RecordPlace place;
    place.record = kDefaultRecordNumbers[choice.next() % kChoices];
    std::size_t size = records::RecordDataSize(static_cast<std::uint8_t>(place.record));
    place.offset = static_cast<std::size_t>(choice.next() % (size - 3));
    return place;
}

std::optional<platform::Ipv4Octets> AddressInWrittenRecords(const ModuleConfig& config,
                                                            const std::set<int>& written) {
    if (!config.movesOnReset) return std::nullopt;
    RecordPlace place = AddressPlaceInRecords(config);
    auto record = config.records.find(place.record);
    if (!written.count(place.record) || record == config.records.end() ||
        record->second.size() < place.offset + 4) {
        return std::nullopt;
    }
    platform::Ipv4Octets address;
    std::copy_n(record->second.begin() + static_cast<std::ptrdiff_t>(place.offset), 4,
                address.begin());
    return address;
}

}  // namespace quelvar::sim
