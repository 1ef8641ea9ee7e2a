// commission: a sheet of modules, each searched, given its address and, when
// the sheet names one, its setup record file; a summary at the end.
#include <fstream>
#include <iomanip>
#include <iterator>
#include <ostream>

#include "platform/utf8.h"
#include "ui/console/commands.h"
#include "ui/console/commission_sheet.h"
#include "ui/console/steps.h"

namespace quelvar::ui::console {

namespace {

struct RowOutcome {
    bool passed = false;
    std::string detail;
};

RowOutcome fail(std::string detail) {
    return {false, std::move(detail)};
}

RowOutcome commissionRow(Session& session, const SheetRow& row, const std::filesystem::path& file) {
    if (!file.empty() && !IsReadableFile(file)) return fail("cannot read " + file.string());

    DeviceSelector selector;
    selector.kind = DeviceSelector::Kind::Mac;
    selector.mac = row.mac;
    if (!session.searchAndSelect(selector)) return fail("not found");

    std::string detail;
    const discovery::DeviceEntry* device = session.dlg().selectedDevice();
    std::string current = device != nullptr ? device->ipText : std::string();
    std::string wanted = FormatIpv4(row.address);
    if (current != wanted) {
        StepResult step = SetIpAddressOfSelected(session, row.address);
        if (!step.ok) return fail("set-ip " + current + " -> " + wanted + ": " + step.why);
        detail = "ip " + current + " -> " + wanted;
        // Setting the address empties the device list: find the module again.
        if (!file.empty() && !session.searchAndSelect(selector)) {
            return fail(detail + "; not found at its new address");
        }
    } else {
        detail = "ip " + wanted + " kept";
    }

    if (!file.empty()) {
        StepResult step = LoadFileIntoSelected(session, file);
        if (!step.ok) return fail(detail + "; load " + file.filename().string() + ": " + step.why);
        detail += "; loaded " + file.filename().string();
    }
    return {true, detail};
}

}  // namespace

int RunCommissionCommand(Session& session) {
    ConsoleStreams& io = session.io();
    const std::string& sheetName = session.options().file;
    std::ifstream stream(platform::pathFromUtf8(sheetName), std::ios::binary);
    if (!stream) {
        io.err << "cannot read " << sheetName << '\n';
        return kExitFailure;
    }
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    CommissionSheet sheet = ParseCommissionSheet(text);
    for (const std::string& error : sheet.errors) io.err << sheetName << ": " << error << '\n';
    if (!sheet.errors.empty()) return kExitUsage;
    if (sheet.rows.empty()) {
        io.err << sheetName << ": no module rows\n";
        return kExitUsage;
    }

    // One answer covers the whole sheet; the boxes of each row's operations
    // are then answered with it.
    ConsoleView& view = session.view();
    if (!session.options().yes && !view.confirm("Commission " + std::to_string(sheet.rows.size()) +
                                                " module(s) listed in " + sheetName + "?")) {
        return kExitFailure;
    }
    view.setAnswerPolicy(AnswerPolicy{true, io.inputIsTerminal});

    // Files are named relative to the sheet, so a sheet and its files move together.
    std::filesystem::path sheetFolder = platform::pathFromUtf8(sheetName).parent_path();
    std::vector<RowOutcome> outcomes;
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        const SheetRow& row = sheet.rows[i];
        std::filesystem::path file;
        if (!row.file.empty()) {
            file = platform::pathFromUtf8(row.file);
            if (file.is_relative()) file = sheetFolder / file;
        }
        view.eraseProgress();
        io.err << "row " << i + 1 << ": " << FormatMac(row.mac) << " -> " << FormatIpv4(row.address)
               << (row.file.empty() ? "" : " + " + row.file) << '\n';
        outcomes.push_back(commissionRow(session, row, file));
    }

    view.eraseProgress();
    std::ostream& out = io.out;
    std::size_t passed = 0;
    out << std::left << std::setw(4) << "ROW" << ' ' << std::setw(5) << "LINE" << ' '
        << std::setw(17) << "MAC" << ' ' << std::setw(15) << "ADDRESS" << ' ' << std::setw(6)
        << "RESULT" << ' ' << "DETAIL" << '\n';
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        const SheetRow& row = sheet.rows[i];
        const RowOutcome& outcome = outcomes[i];
        if (outcome.passed) ++passed;
        out << std::left << std::setw(4) << i + 1 << ' ' << std::setw(5) << row.line << ' '
            << std::setw(17) << FormatMac(row.mac) << ' ' << std::setw(15)
            << FormatIpv4(row.address) << ' ' << std::setw(6) << (outcome.passed ? "pass" : "FAIL")
            << ' ' << outcome.detail << '\n';
    }
    out << passed << " of " << sheet.rows.size() << " row(s) passed\n";
    out.flush();
    return passed == sheet.rows.size() ? kExitSuccess : kExitFailure;
}

}  // namespace quelvar::ui::console
