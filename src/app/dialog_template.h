#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/language.h"

namespace quelvar::app {

// The main window as the dialog template describes it. Front-ends build their
// window from this table, so every front-end has the same controls in the same
// (tab) order with the same captions.

enum class ControlKind { PushButton, Label, ListBox, GroupBox, IpAddress, Edit, ProgressBar };

struct DialogRect {
    int x, y, width, height;  // dialog units
};

struct DialogControl {
    int id;  // 0 for a control without identifier
    ControlKind kind;
    const char* englishCaption;
    const char* japaneseCaption;
    DialogRect english;
    DialogRect japanese;
    bool tabStop;
    bool hiddenAtStart;
    bool rightAligned;  // text alignment of labels in the English template
    bool sunkenFrame;

    const char* caption(platform::Language language) const {
        return language == platform::Language::Japanese ? japaneseCaption : englishCaption;
    }
    DialogRect rect(platform::Language language) const {
        return language == platform::Language::Japanese ? japanese : english;
    }
};

struct DialogFont {
    const char* face;
    int pointSize;
};

struct DialogSize {
    int width, height;  // dialog units
};

// Controls in template order, which is also the tab order.
std::span<const DialogControl> MainDialogControls();
DialogSize MainDialogSize(platform::Language language);
DialogFont MainDialogFont(platform::Language language);

// The title of the separate activity log window (UTF-8): what it shows, in the
// main window's language, then the application name, which is the main
// window's own title.
std::string ActivityLogWindowTitle(platform::Language language, std::string_view applicationName);

// Dialog units to pixels: horizontal units are a quarter of the font's average
// character width, vertical units an eighth of its height (rounded as the
// dialog manager does).
int DialogUnitsToPixelsX(int units, int averageCharWidth);
int DialogUnitsToPixelsY(int units, int charHeight);


}  // namespace quelvar::app
