#include "ui/console/commission_row.h"

#include "ui/console/commission_checks.h"
#include "ui/console/steps.h"
#include "ui/console/verify.h"

namespace quelvar::ui::console {

namespace {

class RowRun {
  public:
    RowRun(Session& session, const RowPlan& plan) : session_(session), plan_(plan) {}

    RowResult run() {
        const SheetRow& row = *plan_.row;
        if (!plan_.file.empty() && !IsReadableFile(plan_.file)) {
            return fail("cannot read " + plan_.file.string());
        }
        if (const discovery::DeviceEntry* holder = HolderOfNewAddress(*plan_.found, row)) {
            return fail("address in use by " + FormatMac(holder->mac) + "; nothing sent");
        }
        DeviceSelector selector;
        selector.mac = row.mac;
        session_.dlg().adoptSearchResult(*plan_.found);
        if (!session_.selectDevice(selector).succeeded()) return fail("not found");
        keepLog();

        const std::string current = session_.dlg().selectedDevice()->ipText;
        const std::string wanted = FormatIpv4(row.address);
        std::string detail;
        if (current != wanted) {
            if (stopped()) return stop("stopped before set-ip");
            step("set-ip");
            app::Outcome moved = SetIpAddressOfSelected(session_, row.address);
            keepLog();
            if (!moved.succeeded()) {
                return fail("set-ip " + current + " -> " + wanted + ": " +
                            app::DescribeOutcome(moved));
            }
            detail = "ip " + current + " -> " + wanted;
        } else {
            detail = "ip " + wanted + " kept";
        }
        if (plan_.file.empty()) return pass(detail);

        // From here on the module is asked for at its new address alone.
        session_.dlg().setSearchDestination(row.address);
        if (!findAgain(selector)) return fail(detail + "; not found at its new address");
        if (stopped()) return stop(detail + "; stopped before load");

        step("load");
        const std::string name = plan_.file.filename().string();
        app::Outcome loaded = LoadFileIntoSelected(session_, plan_.file);
        keepLog();
        if (!loaded.succeeded()) {
            return fail(detail + "; load " + name + ": " + app::DescribeOutcome(loaded));
        }
        detail += "; loaded " + name;
        if (!plan_.verify) return pass(detail);

        if (!findAgain(selector)) return fail(detail + "; verify: not found after the load");
        if (stopped()) return stop(detail + "; stopped before verify");
        step("verify");
        VerifyReport report = VerifySelectedHolds(session_, plan_.file);
        keepLog();
        if (!report.problem.empty()) return fail(detail + "; verify: " + report.problem);
        if (!report.passed) {
            return fail(detail + "; verify: " + std::to_string(report.differences.size()) +
                        " record(s) differ (" + report.differences.front() + ")");
        }
        return pass(detail + "; verified");
    }

  private:
    bool findAgain(const DeviceSelector& selector) {
        step("search");
        bool found = session_.searchAndSelect(selector).succeeded();
        keepLog();
        return found;
    }
    bool stopped() const { return plan_.stopRequested && plan_.stopRequested(); }
    void step(const std::string& what) const {
        if (plan_.step) plan_.step(what);
    }
    void keepLog() { log_ += session_.view().log(); }

    RowResult finish(RowResult::State state, std::string detail) {
        return {state, std::move(detail), std::move(log_)};
    }
    RowResult pass(std::string detail) { return finish(RowResult::State::Passed, std::move(detail)); }
    RowResult fail(std::string detail) { return finish(RowResult::State::Failed, std::move(detail)); }
    RowResult stop(std::string detail) {
        return finish(RowResult::State::Stopped, std::move(detail));
    }

    Session& session_;
    const RowPlan& plan_;
    std::string log_;
};

}  // namespace

RowResult CommissionRow(Session& session, const RowPlan& plan) {
    return RowRun(session, plan).run();
}

}  // namespace quelvar::ui::console
