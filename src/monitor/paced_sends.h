#pragma once

#include <chrono>
#include <cstddef>
#include <span>
#include <string>

namespace quelvar::monitor {

struct TelnetSocket;
struct TransferHooks;

// A text to send and the pause that must pass after it before the next one;
// an empty text is a pause alone. Modules are paced by these pauses, not by
// acknowledgements.
struct PacedText {
    std::string text;
    std::chrono::milliseconds after{0};
};

// How a paced sequence ended: 0 or the error number of the send that failed,
// and how many texts went out.
struct PacedResult {
    int error = 0;
    std::size_t sent = 0;
};

// Each text by TelnetSend, then its pause by the hooks' `pause`, in order;
// the first send that fails ends the sequence.
PacedResult SendInTurn(TelnetSocket& socket, std::span<const PacedText> texts,
                       const TransferHooks& hooks);

}  // namespace quelvar::monitor
