// Searches as the window does, in whatever network the caller has built,
// and prints the device list's lines, one per line: for the topologies of
// adapters_test.sh, where the window's list is checked line by line.
#include <filesystem>
#include <iostream>

#include "app/init_dlg.h"
#include "platform/language.h"
#include "support/fake_view.h"
#include "support/recording_launcher.h"

int main() {
    using namespace quelvar;
    testing::FakeView view;
    testing::RecordingLauncher launcher;
    std::error_code ignored;
    app::CInitDlg dialog(view, launcher, platform::Language::English,
                         std::filesystem::temp_directory_path(ignored) / "QUELVARinit");
    dialog.OnInitDialog();
    dialog.OnSearch();
    for (const std::string& line : view.deviceLines()) std::cout << line << '\n';
    return 0;
}
