#include "cli/cli_support.h"
#include "support/sim_fixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ui/console/cli.h"

namespace quelvar::testing {

namespace {

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

CliRun runWith(const std::vector<std::string>& arguments, std::istream& in, bool interactive,
              platform::Launcher* launcher) {
    std::ostringstream out;
    std::ostringstream err;
    ui::console::CliEnvironment environment{
        in, out, err, interactive, false, launcher, platform::Language::English};
    CliRun run;
    run.status = ui::console::RunCli(arguments, environment);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace

CliRun RunInProcess(const std::vector<std::string>& arguments, const std::string& input,
                    bool interactive, platform::Launcher* launcher) {
    std::istringstream in(input);
    return runWith(arguments, in, interactive, launcher);
}

CliRun RunInProcess(const std::vector<std::string>& arguments, std::istream& input,
                    bool interactive) {
    return runWith(arguments, input, interactive, nullptr);
}

CliRun RunProgram(const std::vector<std::string>& arguments) {
    std::filesystem::path folder = std::filesystem::current_path();
    std::string command =
        "LANG=C LANGUAGE= LC_ALL= LC_MESSAGES= " + shellQuoted(QUELVARINIT_CLI_PATH);
    for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
    command += " </dev/null >" + shellQuoted((folder / "program.out").string()) + " 2>" +
               shellQuoted((folder / "program.err").string());
    CliRun run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadText(folder / "program.out");
    run.err = ReadText(folder / "program.err");
    return run;
}

void CliTest::SetUp() {
    previous_ = std::filesystem::current_path();
    folder_ = std::filesystem::temp_directory_path() /
              ("quelvar-cli-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
               std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
}

void CliTest::TearDown() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
}

void WriteRecordFile(const std::filesystem::path& path, const std::map<int, sim::Bytes>& records) {
    std::ofstream stream(path, std::ios::binary);
    stream.write("\x04RECF", 5);
    for (const auto& [number, data] : records) {
        stream.put(static_cast<char>(number));
        stream.write(reinterpret_cast<const char*>(data.data()),
                     static_cast<std::streamsize>(data.size()));
    }
}

void WriteRecordsThatMoveTo(const std::filesystem::path& path, const sim::ModuleConfig& module,
                            const platform::Ipv4Octets& address) {
    const sim::RecordPlace place = sim::AddressPlaceInRecords(module);
    std::map<int, sim::Bytes> records = sim::DefaultRecords(0x40);
    std::copy(address.begin(), address.end(), records.at(place.record).begin() + place.offset);
    WriteRecordFile(path, records);
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

std::string MacText(const sim::ModuleConfig& module) {
    return discovery::FormatMac(module.mac);
}

pid_t StartProgram(const std::vector<std::string>& arguments) {
    pid_t child = ::fork();
    if (child != 0) return child;
    int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>("quelvarinit-cli")};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(QUELVARINIT_CLI_PATH, argv.data());
    ::_exit(127);
}

}  // namespace quelvar::testing
