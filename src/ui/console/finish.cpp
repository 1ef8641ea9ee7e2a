#include "ui/console/finish.h"

#include "ops/messages.h"

namespace quelvar::ui::console {

int Finish(ConsoleEvents& events, const char* command, const ops::Outcome& outcome) {
    if (outcome.succeeded()) return kExitSuccess;
    const bool toldAlready = ops::MessageFor(outcome, platform::Language::English).has_value() ||
                             outcome.kind == ops::OutcomeKind::Cancelled;
    if (!toldAlready) events.say(std::string(command) + ": " + ops::DescribeOutcome(outcome));
    return kExitFailure;
}

}  // namespace quelvar::ui::console
