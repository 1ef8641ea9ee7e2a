// The search and the check that a module answers: the two exchanges every
// other operation starts from.
#include "ops/search.h"

#include <chrono>

#include "discovery/probe.h"
#include "discovery/reachability.h"

namespace quelvar::ops {

SearchReport Search(const discovery::SearchScope& scope, Events& events) {
    events.begun(Operation::Search);
    SearchReport report;
    report.result = discovery::SearchForModules(scope);
    if (report.result.error != 0) {
        ReportSocketError(events, report.result.error);
        report.outcome = Failed(OutcomeKind::SocketError, report.result.error);
        return report;
    }
    if (report.result.modules.empty()) {
        events.log("QUELVAR is not found.\r\n");
        report.outcome = Failed(OutcomeKind::NotFound);
        events.alert(report.outcome);
    }
    return report;
}

bool CheckAnswers(const platform::Ipv4Octets& address, const Retries& retries, Events& events,
                  bool& lossy) {
    const unsigned attempts =
        retries.linkShownLossy ? retries.lossyReachabilityAttempts : retries.reachabilityAttempts;
    unsigned queries = 0;
    const bool answers = attempts <= 1
                             ? discovery::PingDevice(address, attempts)
                             : discovery::StatusAnsweredWithin(address, attempts, &queries);
    if (answers) {
        lossy = lossy || queries > 1;
        return true;
    }
    events.alert(Failed(OutcomeKind::DeviceNotAnswering));
    return false;
}

bool CheckAnswers(const platform::Ipv4Octets& address, const Retries& retries, Events& events) {
    bool lossy = false;
    return CheckAnswers(address, retries, events, lossy);
}

bool AnswersAgain(const platform::Ipv4Octets& address, unsigned queries, const Retries& retries) {
    // One window query and its pause take two seconds; queries 300 ms apart
    // fill them six times over.
    constexpr unsigned kDenserQueries = 6;
    if (!retries.linkShownLossy) return discovery::PingDevice(address, queries);
    return discovery::StatusAnsweredWithin(address, queries * kDenserQueries);
}

std::vector<Fact> SearchLeftOut(const discovery::SearchResult& result) {
    std::vector<Fact> left;
    if (result.timeLimitReached) {
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(discovery::kSearchTimeLimit).count();
        left.push_back({FactKind::SearchCut, {std::to_string(seconds)}});
    }
    if (result.dropped > 0) left.push_back({FactKind::SearchDropped, {std::to_string(result.dropped)}});
    return left;
}

}  // namespace quelvar::ops
