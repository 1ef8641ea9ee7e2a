#include "ops/outcome.h"

#include "ops/facts.h"
#include "platform/socket.h"

namespace quelvar::ops {

std::string ReasonOf(int code) {
    std::string system = platform::systemErrorText(code);
    return system.empty() ? "error " + std::to_string(code) : system;
}

std::string DescribeOutcome(const Outcome& outcome, platform::Language language) {
    return WordsOf(FactOf(outcome), language);
}

}  // namespace quelvar::ops
