#include "ui/console/steps.h"

#include <fstream>

#include "platform/utf8.h"

namespace quelvar::ui::console {

using platform::ControlId;

StepResult SetIpAddressOfSelected(Session& session, const platform::Ipv4Octets& address) {
    session.view().setIpAddress(address);
    std::size_t mark = session.view().boxes().size();
    session.dlg().OnNotify(ControlId::SetIpAddress, app::Notification::Clicked);

    if (session.view().confirmationRefusedSince(mark)) return {false, "not confirmed"};
    if (!session.view().shownSince(mark, session.doneText())) return {false, "set-ip failed"};
    // The window says "done." once the command is sent, whether or not the
    // module then answered at its new address; only the log tells ("error !").
    // A script that gets exit status 0 must be able to rely on the module
    // being reachable at the new address, so that log line makes it a failure.
    if (session.view().log().find("error !\r\n") != std::string::npos) {
        return {false, "no answer at the new address"};
    }
    return {true, {}};
}

StepResult LoadFileIntoSelected(Session& session, const std::filesystem::path& file) {
    session.selectSetupRecordFile(file);
    std::size_t mark = session.view().boxes().size();
    session.dlg().OnNotify(ControlId::LoadSetupRecord, app::Notification::Clicked);

    if (session.view().confirmationRefusedSince(mark)) return {false, "not confirmed"};
    if (!session.view().shownSince(mark, session.doneText())) return {false, "load failed"};
    return {true, {}};
}

StepResult SaveSelectedTo(Session& session, const std::filesystem::path& file) {
    session.view().setSaveDialogAnswer(
        [file](const platform::SaveDialogRequest&) -> std::optional<std::filesystem::path> {
            return file;
        });
    std::size_t mark = session.view().boxes().size();
    session.dlg().OnNotify(ControlId::SaveSetupRecord, app::Notification::Clicked);

    if (!session.view().shownSince(mark, session.doneText())) return {false, "save failed"};
    return {true, {}};
}

std::string SafeFileName(std::string name) {
    for (char& c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\') c = '_';
    }
    if (name.empty() || name == "." || name == "..") name = "_";
    return name;
}

std::filesystem::path SaveDestination(const std::optional<std::string>& output,
                                      const std::string& deviceLine) {
    if (output) {
        std::filesystem::path path = platform::pathFromUtf8(*output);
        if (!path.has_extension()) path += ".rec";
        return path;
    }
    return platform::pathFromUtf8(SafeFileName(deviceLine + ".rec"));
}

bool IsReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream stream(path, std::ios::binary);
    return stream.good();
}

}  // namespace quelvar::ui::console
