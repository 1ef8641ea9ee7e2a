#include "ui/console/verify.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "platform/files.h"
#include "ui/console/record_compare.h"
#include "ui/console/steps.h"

namespace quelvar::ui::console {

namespace {

std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream),
                                     std::istreambuf_iterator<char>());
}

// A fresh file of our own in the temporary folder, so that no other user's
// file can stand where the download writes.
std::optional<std::filesystem::path> makeTemporaryRecordFile() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) return std::nullopt;
    return platform::createUniqueFile(folder, "quelvarinit-verify-", ".rec");
}

}  // namespace

VerifyReport VerifySelectedHolds(Session& session, const std::filesystem::path& applied) {
    VerifyReport report;
    std::optional<std::filesystem::path> temporary = makeTemporaryRecordFile();
    if (!temporary) {
        report.problem = "cannot create a temporary file";
        return report;
    }
    bool downloaded = SaveSelectedTo(session, *temporary).succeeded();
    std::optional<std::vector<std::uint8_t>> moduleImage = readFile(*temporary);
    std::error_code error;
    std::filesystem::remove(*temporary, error);
    if (!downloaded || !moduleImage) {
        report.problem = "the module's setup records could not be read back";
        return report;
    }

    std::optional<std::vector<std::uint8_t>> fileImage = readFile(applied);
    auto fileRecords = fileImage ? ReadSetupRecords(*fileImage) : std::nullopt;
    auto moduleRecords = ReadSetupRecords(*moduleImage);
    if (!fileRecords || !moduleRecords) {
        report.problem = (fileRecords ? std::string("the module's records") : applied.string()) +
                         " do not read as complete setup records";
        return report;
    }
    report.differences = CompareSetupRecords(*fileRecords, *moduleRecords);
    report.passed = report.differences.empty();
    return report;
}

}  // namespace quelvar::ui::console
