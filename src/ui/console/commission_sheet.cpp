#include "ui/console/commission_sheet.h"

namespace quelvar::ui::console {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view unquote(std::string_view field) {
    field = trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = trim(field.substr(1, field.size() - 2));
    }
    return field;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        std::size_t comma = line.find(',');
        fields.push_back(unquote(line.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
    return fields;
}

}  // namespace

CommissionSheet ParseCommissionSheet(std::string_view text) {
    CommissionSheet sheet;
    bool firstContentLine = true;
    int lineNumber = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;

        std::vector<std::string_view> fields = splitFields(line);
        // A trailing empty field ("mac,ip,") is the same as no file.
        if (fields.size() == 3 && fields[2].empty()) fields.pop_back();

        std::optional<MacAddress> mac = ParseMacAddress(fields[0]);
        bool header = firstContentLine && !mac;
        firstContentLine = false;
        if (header) continue;

        std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (fields.size() < 2 || fields.size() > 3) {
            sheet.errors.push_back(where + "expected MAC,NEW_ADDRESS[,FILE]");
            continue;
        }
        if (!mac) {
            sheet.errors.push_back(where + "malformed MAC address '" + std::string(fields[0]) +
                                   "'");
            continue;
        }
        std::optional<platform::Ipv4Octets> address = ParseIpv4Address(fields[1]);
        if (!address) {
            sheet.errors.push_back(where + "malformed address '" + std::string(fields[1]) + "'");
            continue;
        }
        SheetRow row;
        row.line = lineNumber;
        row.mac = *mac;
        row.address = *address;
        if (fields.size() == 3) row.file = std::string(fields[2]);
        sheet.rows.push_back(row);
    }
    return sheet;
}

}  // namespace quelvar::ui::console
