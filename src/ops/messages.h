#pragma once

#include <optional>
#include <string>

#include "ops/outcome.h"
#include "ops/strings.h"

namespace quelvar::ops {

// The three kinds of message box the tool shows.
enum class MessageKind {
    Confirmation,  // OK + Cancel, question icon, Cancel is the default button
    Warning,       // OK only, exclamation icon
    ResultText,    // OK only, no icon
};

struct Message {
    MessageKind kind = MessageKind::ResultText;
    std::string text;
};

// What the user is shown when an operation ends in `outcome`: the window in
// a box, the console on a line of its own. nullopt for outcomes nobody is
// told of at that moment (a success, a cancel, a module that did not come
// back, which the log records).
std::optional<Message> MessageFor(const Outcome& outcome, platform::Language language);

}  // namespace quelvar::ops
