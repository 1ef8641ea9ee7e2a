#include <windows.h>

#include "platform/language.h"

namespace quelvar::platform {

// Windows keeps the user's display language as a setting of its own; the
// POSIX locale variables mean nothing there.
Language userInterfaceLanguage() {
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                        : Language::English;
}

}  // namespace quelvar::platform
