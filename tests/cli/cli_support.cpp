#include "cli/cli_support.h"
#include "support/sim_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace

CliRun RunInProcess(const std::vector<std::string>& arguments, const std::string& input,
                    bool interactive, platform::Launcher* launcher) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    ui::console::CliEnvironment environment{in,
                                            out,
                                            err,
                                            interactive,
                                            false,
                                            launcher,
                                            platform::Language::English,
                                            std::filesystem::current_path() / "QUELVARinit"};
    CliRun run;
    run.status = ui::console::RunCli(arguments, environment);
    run.out = out.str();
    run.err = err.str();
    return run;
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

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

std::string MacText(const sim::ModuleConfig& module) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", module.mac[0], module.mac[1],
                  module.mac[2], module.mac[3], module.mac[4], module.mac[5]);
    return text;
}

namespace {

class JsonParser {
  public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    std::optional<JsonValue> document() {
        auto value = parseValue(0);
        skipBlanks();
        if (!value || at_ != text_.size()) return std::nullopt;
        return value;
    }

  private:
    void skipBlanks() {
        while (at_ < text_.size() &&
               std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
    }
    bool take(char c) {
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    std::optional<std::string> parseString() {
        if (!take('"')) return std::nullopt;
        std::string result;
        while (at_ < text_.size()) {
            char c = text_[at_++];
            if (c == '"') return result;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                result += c;
                continue;
            }
            if (at_ >= text_.size()) return std::nullopt;
            char escape = text_[at_++];
            switch (escape) {
                case '"':
                    result += '"';
                    break;
                case '\\':
                    result += '\\';
                    break;
                case '/':
                    result += '/';
                    break;
                case 'n':
                    result += '\n';
                    break;
                case 'r':
                    result += '\r';
                    break;
                case 't':
                    result += '\t';
                    break;
                case 'b':
                    result += '\b';
                    break;
                case 'f':
                    result += '\f';
                    break;
                case 'u': {
                    if (at_ + 4 > text_.size()) return std::nullopt;
                    unsigned code =
                        static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16));
                    at_ += 4;
                    // Code points below 0x100 stand for one byte each here.
                    if (code > 0xFF) return std::nullopt;
                    result += static_cast<char>(code);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }
    std::optional<JsonValue> parseValue(int depth) {
        if (depth > 16) return std::nullopt;
        skipBlanks();
        if (at_ >= text_.size()) return std::nullopt;
        char c = text_[at_];
        if (c == '"') {
            auto text = parseString();
            if (!text) return std::nullopt;
            return JsonValue{*text};
        }
        if (c == '[') {
            ++at_;
            std::vector<JsonValue> items;
            if (take(']')) return JsonValue{items};
            do {
                auto item = parseValue(depth + 1);
                if (!item) return std::nullopt;
                items.push_back(*item);
            } while (take(','));
            if (!take(']')) return std::nullopt;
            return JsonValue{items};
        }
        if (c == '{') {
            ++at_;
            std::map<std::string, JsonValue> members;
            if (take('}')) return JsonValue{members};
            do {
                skipBlanks();
                auto key = parseString();
                if (!key || !take(':')) return std::nullopt;
                auto item = parseValue(depth + 1);
                if (!item) return std::nullopt;
                members[*key] = *item;
            } while (take(','));
            if (!take('}')) return std::nullopt;
            return JsonValue{members};
        }
        std::size_t start = at_;
        while (at_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[at_])) ||
                                      text_[at_] == '-' || text_[at_] == '.')) {
            ++at_;
        }
        if (at_ == start) return std::nullopt;
        return JsonValue{std::stod(text_.substr(start, at_ - start))};
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<JsonValue> ParseJson(const std::string& text) {
    return JsonParser(text).document();
}

}  // namespace quelvar::testing
