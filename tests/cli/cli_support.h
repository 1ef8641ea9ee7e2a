#pragma once

#include <sys/types.h>

#include <filesystem>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/launcher.h"
#include "sim/module.h"
#include "ui/console/cli.h"

namespace quelvar::testing {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The console front-end in this process, with its own streams, English
// texts, a recording launcher and no terminal unless `interactive`.
CliRun RunInProcess(const std::vector<std::string>& arguments, const std::string& input = "",
                    bool interactive = false, platform::Launcher* launcher = nullptr);
// The same reading standard input from `input` as the program reads it.
CliRun RunInProcess(const std::vector<std::string>& arguments, std::istream& input,
                    bool interactive);

// The built quelvarinit-cli program, with standard input from /dev/null
// (not a terminal) and LANG=C.
CliRun RunProgram(const std::vector<std::string>& arguments);

// The built quelvarinit-cli program started in the background, its standard
// output going to out.txt and its error output to err.txt in the current
// folder; its process id, or -1.
pid_t StartProgram(const std::vector<std::string>& arguments);

// A fresh folder that is the current folder for the length of a test.
class CliTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path folder_;

  private:
    std::filesystem::path previous_;
};

// Writes a setup record file of these records, in number order.
void WriteRecordFile(const std::filesystem::path& path, const std::map<int, sim::Bytes>& records);
// Writes a file whose records take `module` (one that moves on reset) to
// `address` when it is reset after them.
void WriteRecordsThatMoveTo(const std::filesystem::path& path, const sim::ModuleConfig& module,
                            const platform::Ipv4Octets& address);
std::string ReadText(const std::filesystem::path& path);
std::string MacText(const sim::ModuleConfig& module);  // "02-00-5E-10-00-00"

}  // namespace quelvar::testing
