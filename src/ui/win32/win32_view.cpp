#include "ui/win32/win32_view.h"

#include <commctrl.h>

#include <vector>

#include "platform/utf8.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/main_window.h"

namespace quelvar::ui::win32 {

using app::ControlId;
using platform::utf8FromWide;
using platform::wideFromUtf8;

Win32View::Win32View(MainWindow& window) : window_(window) {}

void Win32View::invoke(std::function<void()>& call) {
    if (::GetCurrentThreadId() == window_.threadId()) {
        call();
        return;
    }
    // SendMessage to a window that no longer exists returns at once without
    // running the call, so an operation outliving the window cannot hang.
    ::SendMessageW(window_.handle(), kInvokeMessage, 0, reinterpret_cast<LPARAM>(&call));
}

HWND Win32View::item(ControlId id) const {
    return ::GetDlgItem(window_.handle(), static_cast<int>(id));
}

int Win32View::listCount(ControlId list) {
    return onWindowThread(
        [&] { return static_cast<int>(::SendMessageW(item(list), LB_GETCOUNT, 0, 0)); }, 0);
}

void Win32View::listAdd(ControlId list, const std::string& line) {
    onWindowThreadVoid([&] {
        const std::wstring wide = wideFromUtf8(line);
        ::SendMessageW(item(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    });
}

void Win32View::listDelete(ControlId list, int index) {
    onWindowThreadVoid(
        [&] { ::SendMessageW(item(list), LB_DELETESTRING, static_cast<WPARAM>(index), 0); });
}

int Win32View::listSelection(ControlId list) {
    return onWindowThread(
        [&] {
            const LRESULT selected = ::SendMessageW(item(list), LB_GETCURSEL, 0, 0);
            return selected == LB_ERR ? -1 : static_cast<int>(selected);
        },
        -1);
}

void Win32View::setListSelection(ControlId list, int index) {
    // -1 clears the selection, as LB_SETCURSEL itself does.
    onWindowThreadVoid(
        [&] { ::SendMessageW(item(list), LB_SETCURSEL, static_cast<WPARAM>(index), 0); });
}

std::string Win32View::listText(ControlId list, int index) {
    return onWindowThread([&] {
        HWND box = item(list);
        const LRESULT length = ::SendMessageW(box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == LB_ERR) return std::string();
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT copied = ::SendMessageW(box, LB_GETTEXT, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
        return utf8FromWide(text);
    });
}

void Win32View::enable(ControlId control, bool enabled) {
    onWindowThreadVoid([&] { ::EnableWindow(item(control), enabled ? TRUE : FALSE); });
}

void Win32View::show(ControlId control, bool visible) {
    onWindowThreadVoid([&] { ::ShowWindow(item(control), visible ? SW_SHOW : SW_HIDE); });
}

platform::Ipv4Octets Win32View::ipAddress() {
    return onWindowThread([&] {
        // A blank field reads as 0: the control reports it so.
        DWORD address = 0;
        ::SendMessageW(item(ControlId::IpAddress), IPM_GETADDRESS, 0,
                       reinterpret_cast<LPARAM>(&address));
        return platform::Ipv4Octets{
            static_cast<std::uint8_t>(FIRST_IPADDRESS(address)),
            static_cast<std::uint8_t>(SECOND_IPADDRESS(address)),
            static_cast<std::uint8_t>(THIRD_IPADDRESS(address)),
            static_cast<std::uint8_t>(FOURTH_IPADDRESS(address))};
    });
}

void Win32View::setIpAddress(const platform::Ipv4Octets& octets) {
    onWindowThreadVoid([&] {
        ::SendMessageW(item(ControlId::IpAddress), IPM_SETADDRESS, 0,
                       MAKEIPADDRESS(octets[0], octets[1], octets[2], octets[3]));
    });
}

void Win32View::clearIpAddress() {
    onWindowThreadVoid([&] { ::SendMessageW(item(ControlId::IpAddress), IPM_CLEARADDRESS, 0, 0); });
}

void Win32View::setProgressRange(int lower, int upper) {
    onWindowThreadVoid(
        [&] { ::SendMessageW(item(ControlId::Progress), PBM_SETRANGE32, lower, upper); });
}

void Win32View::setProgress(int position) {
    onWindowThreadVoid([&] {
        ::SendMessageW(item(ControlId::Progress), PBM_SETPOS, static_cast<WPARAM>(position), 0);
    });
}

void Win32View::setText(ControlId control, const std::string& text) {
    onWindowThreadVoid([&] { ::SetWindowTextW(item(control), wideFromUtf8(text).c_str()); });
}

void Win32View::showLog(const std::string& text) {
    onWindowThreadVoid([&] {
        const std::wstring wide = wideFromUtf8(text);
        ::SetWindowTextW(item(ControlId::ActivityLog), wide.c_str());
        ::SendMessageW(item(ControlId::ActivityLog), EM_LINESCROLL, 0, 0x10000);
        window_.logWindow().setText(wide);
        window_.logWindow().scrollToEnd();
    });
}

void Win32View::showDiagnostics(const std::vector<std::string>& lines) {
    std::wstring text;
    for (const std::string& line : lines) text += wideFromUtf8(line) + L"\r\n";
    onWindowThreadVoid([&] { window_.logWindow().appendDiagnostics(text); });
}

app::MessageAnswer Win32View::messageBox(app::MessageKind kind, const std::string& text) {
    return onWindowThread(
        [&] {
            return window_.showModal([&] {
                return showMessageBox(window_.handle(), window_.applicationName(), kind, text);
            });
        },
        app::MessageAnswer::Cancel);
}

std::optional<std::filesystem::path> Win32View::saveFileDialog(
    const app::SaveDialogRequest& request) {
    return onWindowThread(
        [&] {
            return window_.showModal([&] { return showSaveDialog(window_.handle(), request); });
        },
        std::optional<std::filesystem::path>());
}

std::optional<std::filesystem::path> Win32View::chooseFolder(const std::string& title,
                                                             const std::filesystem::path& current) {
    return onWindowThread(
        [&] {
            return window_.showModal(
                [&] { return showFolderChooser(window_.handle(), title, current); });
        },
        std::optional<std::filesystem::path>());
}

}  // namespace quelvar::ui::win32
