#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/window_fixture.h"
#include "records/rec_file.h"
#include "sim/module.h"

namespace quelvar::testing {

using Bytes = std::vector<std::uint8_t>;

// An operation test with one simulated module found and selected.
class TransferTest : public WindowTest {
  protected:
    std::unique_ptr<sim::Farm> startAndSelect(sim::ModuleConfig module) {
        auto farm = StartFarm({std::move(module)});
        dlg_->OnSearch();
        selectDevice(0);
        view_.progress.clear();
        view_.boxes.clear();
        return farm;
    }

    static Bytes FileBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

    // The file the download makes of these records, in the order given.
    static Bytes FileOf(const std::map<int, Bytes>& records, std::initializer_list<int> order) {
        std::vector<records::Record> list;
        for (int n : order) list.push_back({static_cast<std::uint8_t>(n), records.at(n)});
        return records::EncodeRecords(list);
    }
};

}  // namespace quelvar::testing
