#include "site/commission_sheet.h"

#include <cctype>


namespace quelvar::site {

namespace {

struct Field {
    std::string text;
    bool quoted = false;
};

struct Record {
    int line = 0;
    std::vector<Field> fields;
};

std::string trim(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

// RFC 4180 records, each with the line it starts on. A quote opens a quoted
// field only at the start of a field (blanks before it allowed); inside one,
// "" is a quote and commas and line breaks are text.
std::vector<Record> splitRecords(std::string_view text) {
    std::vector<Record> records;
    Record record{1, {}};
    Field field;
    int line = 1;
    bool inQuotes = false;
    auto endField = [&] {
        if (!field.quoted) field.text = trim(field.text);
        record.fields.push_back(std::move(field));
        field = Field{};
    };
    auto endRecord = [&] {
        endField();
        records.push_back(std::move(record));
        record = Record{line, {}};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field.text += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else {
                if (c == '\n') ++line;
                field.text += c;
            }
            continue;
        }
        if (c == '"' && !field.quoted &&
            field.text.find_first_not_of(" \t") == std::string::npos) {
            field.text.clear();
            field.quoted = true;
            inQuotes = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n') {
            ++line;
            endRecord();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;  // the CR of a CR LF line end
        } else if (field.quoted) {
            if (c != ' ' && c != '\t') field.text += c;  // text after the closing quote is kept
        } else {
            field.text += c;
        }
    }
    if (!(record.fields.empty() && field.text.empty() && !field.quoted)) endRecord();
    return records;
}

// A field as it may appear in a message: control characters shown as '?',
// and at most 40 characters, so a hostile sheet cannot flood or steer the terminal.
std::string shown(const std::string& text) {
    constexpr std::size_t kShown = 40;
    std::string safe;
    for (char c : text.substr(0, kShown)) {
        auto byte = static_cast<unsigned char>(c);
        safe += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return text.size() > kShown ? safe + "..." : safe;
}

bool hasControlCharacter(const std::string& text) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

bool namesMacColumn(const std::string& field) {
    std::string lower;
    for (char c : field) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.starts_with("mac");
}

bool isBlank(const Record& record) {
    return record.fields.size() == 1 && record.fields[0].text.empty() && !record.fields[0].quoted;
}

}  // namespace

CommissionSheet ParseCommissionSheet(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    CommissionSheet sheet;
    bool firstContentRecord = true;
    for (Record& record : splitRecords(text)) {
        if (isBlank(record)) continue;
        std::vector<Field>& fields = record.fields;
        if (!fields[0].quoted && fields[0].text.starts_with("#")) continue;
        bool header = firstContentRecord && namesMacColumn(fields[0].text);
        firstContentRecord = false;
        if (header) continue;

        const std::string where = std::to_string(record.line);
        auto error = [&](ops::FactKind kind, std::vector<std::string> values = {}) {
            values.insert(values.begin(), where);
            sheet.errors.push_back({kind, std::move(values)});
        };
        // A trailing empty field ("mac,ip,") is the same as no file.
        if (fields.size() == 3 && fields[2].text.empty()) fields.pop_back();
        if (fields.size() < 2 || fields.size() > 3) {
            error(ops::FactKind::SheetFieldCount);
            continue;
        }
        bool control = false;
        bool tooLong = false;
        for (const Field& field : fields) {
            control = control || hasControlCharacter(field.text);
            tooLong = tooLong || field.text.size() > kMaxFieldLength;
        }
        if (control) {
            error(ops::FactKind::SheetControlCharacter);
            continue;
        }
        if (tooLong) {
            // No MAC, address or file name is this long; such a field would
            // only flood every message that names it.
            error(ops::FactKind::SheetFieldTooLong, {std::to_string(kMaxFieldLength)});
            continue;
        }
        std::optional<discovery::MacAddress> mac = discovery::ParseMac(fields[0].text);
        if (!mac) {
            error(ops::FactKind::SheetBadMac, {shown(fields[0].text)});
            continue;
        }
        std::optional<platform::Ipv4Octets> address = platform::parseIpv4(fields[1].text);
        if (!address) {
            error(ops::FactKind::SheetBadAddress, {shown(fields[1].text)});
            continue;
        }
        if (!discovery::IsModuleAddress(*address)) {
            error(ops::FactKind::SheetAddressNotForModules, {fields[1].text});
            continue;
        }
        SheetRow row;
        row.line = record.line;
        row.mac = *mac;
        row.address = *address;
        if (fields.size() == 3) row.file = fields[2].text;
        sheet.rows.push_back(row);
    }
    return sheet;
}

}  // namespace quelvar::site
