#include "sim/module.h"

#include "records/rec_file.h"

namespace quelvar::sim {

std::map<int, Bytes> DefaultRecords(std::uint8_t seed) {
    std::map<int, Bytes> records;
    for (int number : {0, 2, 3, 4, 5, 6, 7, 8}) {
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

}  // namespace quelvar::sim
