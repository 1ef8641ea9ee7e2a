// Writes the Windows resource script of the window from the tables every
// front-end builds its window from (the dialog template table and the string
// table), so the .rc can never drift from them: it is made at build time and
// never edited by hand.
//
// This program runs on the build machine, also in a cross build, so it uses
// nothing but the standard library and the two tables.
//
//     quelvar-rc-generator MAJOR MINOR PATCH ICON_PATH MANIFEST_PATH > quelvarinit.rc
//
// The script is pure ASCII: every text outside it is written as L"\xNNNN"
// escapes, so no resource compiler's idea of a code page can garble the
// Japanese captions.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "app/dialog_template.h"
#include "ops/strings.h"
#include "ui/win32/resource_ids.h"

namespace {

using quelvar::app::ControlKind;
using quelvar::app::DialogControl;
using quelvar::platform::Language;

std::u16string utf16FromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        std::size_t length = 1;
        if (byte < 0x80) {
            code = byte;
        } else if ((byte & 0xE0) == 0xC0) {
            length = 2;
            code = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3;
            code = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4;
            code = byte & 0x07;
        }
        if (i + length > text.size()) length = text.size() - i;
        for (std::size_t k = 1; k < length; ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

// A wide string literal of the resource script, ASCII only.
std::string rcLiteral(std::string_view utf8) {
    std::ostringstream out;
    out << "L\"";
    for (char16_t c : utf16FromUtf8(utf8)) {
        if (c == u'"') {
            out << "\"\"";
        } else if (c == u'\\') {
            out << "\\\\";
        } else if (c == u'\n') {
            out << "\\n";
        } else if (c >= 0x20 && c < 0x7F) {
            out << static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%04x", static_cast<unsigned>(c));
            out << escape;
        }
    }
    out << '"';
    return out.str();
}

std::string controlLine(const DialogControl& control, Language language) {
    const auto rect = control.rect(language);
    const int id = control.id == 0 ? -1 : control.id;  // IDC_STATIC
    std::string cls;
    std::string style;
    std::string caption = rcLiteral(control.caption(language));

    switch (control.kind) {
        case ControlKind::PushButton:
            // Multi-line so a long caption wraps inside its button rather than
            // being cut; a one-line caption looks the same either way.
            cls = "\"Button\"";
            style = "BS_PUSHBUTTON | BS_MULTILINE";
            break;
        case ControlKind::Label:
            cls = "\"Static\"";
            // The version label is right-aligned only in the English window.
            style = control.rightAligned && language == Language::English ? "SS_RIGHT" : "SS_LEFT";
            if (control.sunkenFrame) style += " | SS_SUNKEN";
            break;
        case ControlKind::GroupBox:
            cls = "\"Button\"";
            style = "BS_GROUPBOX";
            break;
        case ControlKind::ListBox:
            // Not sorted: a line's index is the row of the device table.
            cls = "\"ListBox\"";
            style = "LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER";
            caption = "L\"\"";
            break;
        case ControlKind::IpAddress:
            cls = "\"SysIPAddress32\"";
            style = "0";
            caption = "L\"\"";
            break;
        case ControlKind::Edit:
            // The activity log: lines are never wrapped.
            cls = "\"Edit\"";
            style = "ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | "
                    "WS_BORDER";
            caption = "L\"\"";
            break;
        case ControlKind::ProgressBar:
            cls = "\"msctls_progress32\"";
            style = "WS_BORDER";
            caption = "L\"\"";
            break;
    }
    if (control.tabStop) style += " | WS_TABSTOP";
    if (control.hiddenAtStart) style += " | NOT WS_VISIBLE";

    std::ostringstream line;
    line << "    CONTROL " << caption << ", " << id << ", " << cls << ", " << style << ", "
         << rect.x << ", " << rect.y << ", " << rect.width << ", " << rect.height;
    return line.str();
}

void writeLanguage(std::ostream& out, Language language) {
    const bool japanese = language == Language::Japanese;
    out << "\n// " << (japanese ? "Japanese" : "English") << "\n"
        << (japanese ? "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n"
                     : "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n");

    const auto size = quelvar::app::MainDialogSize(language);
    const auto font = quelvar::app::MainDialogFont(language);
    out << IDD_MAIN_WINDOW << " DIALOGEX 0, 0, " << size.width << ", " << size.height << "\n"
        << "STYLE DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_CENTER | WS_POPUP | WS_VISIBLE | "
           "WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX\n"
        << "EXSTYLE WS_EX_APPWINDOW\n"
        << "CAPTION L\"QUELVARinit\"\n"
        << "FONT " << font.pointSize << ", " << rcLiteral(font.face) << ", 0, 0, "
        << (japanese ? "0x80" : "0x1") << "\n"
        << "BEGIN\n";
    for (const DialogControl& control : quelvar::app::MainDialogControls()) {
        out << controlLine(control, language) << "\n";
    }
    out << "END\n\nSTRINGTABLE\nBEGIN\n";
    for (int id = IDS_FIRST; id <= IDS_LAST; ++id) {
        const auto& text =
            quelvar::ops::LoadString(static_cast<quelvar::ops::StringId>(id), language);
        out << "    " << id << ", " << rcLiteral(text) << "\n";
    }
    out << "END\n";
}

std::string quoted(std::string_view path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::cerr << "usage: quelvar-rc-generator MAJOR MINOR PATCH ICON_PATH MANIFEST_PATH\n";
        return 2;
    }
    const std::string major = argv[1], minor = argv[2], patch = argv[3];
    std::ostream& out = std::cout;

    out << "// Generated at build time from the window's tables; do not edit.\n"
        << "#include <windows.h>\n#include <commctrl.h>\n";

    out << "\nLANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL\n"
        << IDI_APPLICATION_ICON << " ICON " << quoted(argv[4]) << "\n"
        << "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST " << quoted(argv[5]) << "\n";

    writeLanguage(out, Language::English);
    writeLanguage(out, Language::Japanese);

    // The version record, in Japanese and Unicode as the program has always
    // carried it.
    const std::string version = major + ", " + minor + ", " + patch + ", 0";
    const std::string dotted = major + "." + minor + "." + patch + ".0";
    out << "\nLANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n"
        << "VS_VERSION_INFO VERSIONINFO\n"
        << "FILEVERSION " << version << "\nPRODUCTVERSION " << version << "\n"
        << "FILEFLAGSMASK VS_FFI_FILEFLAGSMASK\nFILEFLAGS 0\nFILEOS VOS_NT_WINDOWS32\n"
        << "FILETYPE VFT_APP\nFILESUBTYPE VFT2_UNKNOWN\n"
        << "BEGIN\n"
        << "    BLOCK \"StringFileInfo\"\n    BEGIN\n        BLOCK \"041104b0\"\n        BEGIN\n"
        << "            VALUE \"FileDescription\", L\"QUELVARinit\"\n"
        << "            VALUE \"FileVersion\", L\"" << dotted << "\"\n"
        << "            VALUE \"InternalName\", L\"QUELVARinit\"\n"
        << "            VALUE \"OriginalFilename\", L\"QUELVARinit.EXE\"\n"
        << "            VALUE \"ProductName\", L\"QUELVARinit\"\n"
        << "            VALUE \"ProductVersion\", L\"" << dotted << "\"\n"
        << "        END\n    END\n"
        << "    BLOCK \"VarFileInfo\"\n    BEGIN\n        VALUE \"Translation\", 0x411, 1200\n"
        << "    END\n"
        << "END\n";
    return out ? 0 : 1;
}
