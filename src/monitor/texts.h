#pragma once

#include <string>

#include "platform/language.h"

namespace quelvar::monitor {

// What the user reads when a download or a save cannot go on for a reason
// the module's answer or the disk gives, beyond the fixed error words.
enum class TransferText {
    LineTooLong,  // a data line longer than the tool can take
    ImageFull,    // more setup records than one file holds
    WriteFailed,  // the file could not be written; the old one is untouched
};

const std::string& LoadTransferText(TransferText text, platform::Language language);

}  // namespace quelvar::monitor
