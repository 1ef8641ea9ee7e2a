#include "monitor/paced_sends.h"

#include "monitor/telnet.h"
#include "monitor/transfer_hooks.h"

namespace quelvar::monitor {

PacedResult SendInTurn(TelnetSocket& socket, std::span<const PacedText> texts,
                       const TransferHooks& hooks) {
    PacedResult result;
    for (const PacedText& text : texts) {
        if (!text.text.empty()) {
            if (int code = TelnetSend(socket, text.text.c_str())) {
                result.error = code;
                return result;
            }
            ++result.sent;
        }
        if (text.after.count() > 0) hooks.pause(text.after);
    }
    return result;
}

}  // namespace quelvar::monitor
