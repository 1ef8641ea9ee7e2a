#pragma once

#include <span>
#include <string>

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

// Dialog units to pixels: horizontal units are a quarter of the font's average
// character width, vertical units an eighth of its height (rounded as the
// dialog manager does).
int DialogUnitsToPixelsX(int units, int averageCharWidth);
int DialogUnitsToPixelsY(int units, int charHeight);


}  // namespace quelvar::app
