// load: select the module and the file, press Load setuprecord; with
// --verify, read the records back and compare them with the file.
#include <fstream>
#include <iterator>
#include <ostream>

#include "platform/files.h"
#include "platform/utf8.h"
#include "ui/console/commands.h"
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

int verify(Session& session, const std::filesystem::path& applied) {
    ConsoleStreams& io = session.io();
    if (!session.searchAndSelect(*session.options().device)) {
        io.err << "verify: the module was not found again after the load\n";
        return kExitFailure;
    }
    std::optional<std::filesystem::path> temporary = makeTemporaryRecordFile();
    if (!temporary) {
        io.err << "verify: cannot create a temporary file\n";
        return kExitFailure;
    }
    bool downloaded = SaveSelectedTo(session, *temporary).ok;
    std::optional<std::vector<std::uint8_t>> moduleImage = readFile(*temporary);
    std::error_code error;
    std::filesystem::remove(*temporary, error);
    if (!downloaded || !moduleImage) {
        io.err << "verify: the module's setup records could not be read back\n";
        return kExitFailure;
    }

    std::optional<std::vector<std::uint8_t>> fileImage = readFile(applied);
    auto fileRecords = fileImage ? ReadSetupRecords(*fileImage) : std::nullopt;
    auto moduleRecords = ReadSetupRecords(*moduleImage);
    if (!fileRecords || !moduleRecords) {
        io.err << "verify: " << (fileRecords ? "the module's records" : applied.string())
               << " do not read as complete setup records\n";
        return kExitFailure;
    }
    std::vector<std::string> differences = CompareSetupRecords(*fileRecords, *moduleRecords);
    session.view().eraseProgress();
    for (const std::string& difference : differences) io.out << difference << '\n';
    if (!differences.empty()) {
        io.err << "verify: the module differs from " << applied.string() << '\n';
        return kExitFailure;
    }
    io.out << "verify: the module holds every record of " << applied.string() << '\n';
    return kExitSuccess;
}

}  // namespace

int RunLoadCommand(Session& session) {
    const Options& options = session.options();
    // The window only lists files that exist; checked before anything is sent.
    std::filesystem::path file = platform::pathFromUtf8(options.file);
    if (!IsReadableFile(file)) {
        session.io().err << "cannot read " << options.file << '\n';
        return kExitFailure;
    }
    if (!session.searchAndSelect(*options.device)) return kExitFailure;
    if (!LoadFileIntoSelected(session, file).ok) return kExitFailure;
    return options.verify ? verify(session, file) : kExitSuccess;
}

}  // namespace quelvar::ui::console
