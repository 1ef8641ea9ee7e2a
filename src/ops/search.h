#pragma once

#include "discovery/search.h"
#include "ops/events.h"
#include "ops/facts.h"
#include "ops/retries.h"

namespace quelvar::ops {

struct SearchReport {
    Outcome outcome;                 // NotFound when no module answered
    discovery::SearchResult result;  // the modules, and how the request went out
};

// The search: the log emptied, the request sent as the scope says, every
// reply kept until a quiet second. No module: "QUELVAR is not found." and
// the not-found message. A socket failure is reported as such.
SearchReport Search(const discovery::SearchScope& scope, Events& events);

// What a search left out, for every front-end to say: that it stopped at
// its time limit with replies still arriving, and how many replies it did
// not keep. Empty when it left out nothing.
std::vector<Fact> SearchLeftOut(const discovery::SearchResult& result);

// The check before an operation on a module: status queries to its address,
// `retries.reachabilityAttempts` of them (lossyReachabilityAttempts on a
// link that has shown itself lossy; one: the window's single query;
// more: kProbeSpacing apart, see StatusAnsweredWithin). When none is
// answered the user is told the device cannot communicate, and false returned.
bool CheckAnswers(const platform::Ipv4Octets& address, const Retries& retries, Events& events);
// The same; `lossy` becomes true when the first status query went unanswered
// though a later one was answered: the link loses or holds back datagrams.
bool CheckAnswers(const platform::Ipv4Octets& address, const Retries& retries, Events& events,
                  bool& lossy);

// Waiting for a module that changed (a new address, a reset) to answer:
// the window's `queries` status queries, a second's wait and a second's
// pause each. On a link that has shown itself lossy, as many as fit the
// same time, 300 ms apart from one socket (StatusAnsweredWithin): there a
// lost query or reply costs 300 ms, not two seconds, and a module that is
// back is not given up on for want of answers the link lost.
bool AnswersAgain(const platform::Ipv4Octets& address, unsigned queries, const Retries& retries);

}  // namespace quelvar::ops
