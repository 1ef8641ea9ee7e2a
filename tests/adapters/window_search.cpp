// Searches as the window does, in whatever network the caller has built,
// and prints the device list's lines, one per line: for the topologies of
// adapters_test.sh and held_address_test.sh, where the window's list is
// checked line by line. Given `set-ip ADDRESS`, it then selects the first
// line and presses Set IP address with ADDRESS typed in, confirming, and
// prints every message box ("box: TEXT") and live-log line ("log: LINE").
#include <filesystem>
#include <iostream>
#include <string>

#include "app/init_dlg.h"
#include "platform/ipv4.h"
#include "platform/language.h"
#include "support/fake_view.h"
#include "support/recording_launcher.h"

int main(int argc, char** argv) {
    using namespace quelvar;
    std::optional<platform::Ipv4Octets> newAddress;
    if (argc == 3 && std::string(argv[1]) == "set-ip") newAddress = platform::parseIpv4(argv[2]);
    if (argc != 1 && !newAddress) {
        std::cerr << "usage: window_search [set-ip ADDRESS]\n";
        return 2;
    }
    testing::FakeView view;
    testing::RecordingLauncher launcher;
    std::error_code ignored;
    app::CInitDlg dialog(view, launcher, platform::Language::English,
                         std::filesystem::temp_directory_path(ignored) / "QUELVARinit");
    dialog.OnInitDialog();
    dialog.OnSearch();
    for (const std::string& line : view.deviceLines()) std::cout << line << '\n';
    if (!newAddress) return 0;

    view.setListSelection(app::ControlId::DeviceList, 0);
    dialog.UpdateControls();
    view.ip = *newAddress;
    view.boxes.clear();
    view.diagnostics.clear();
    dialog.OnSetIpAddress();
    for (const auto& box : view.boxes) std::cout << "box: " << box.text << '\n';
    for (const std::string& line : view.diagnostics) std::cout << "log: " << line << '\n';
    return 0;
}
