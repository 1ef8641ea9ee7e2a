// The "Save setuprecord" button: read the selected module's setup records
// through its monitor mode and save them as a setup record file.
#include <chrono>

#include "app/init_dlg.h"
#include "app/strings.h"
#include "monitor/record_download.h"
#include "monitor/telnet.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "records/rec_file.h"

namespace quelvar::app {

using platform::ControlId;
using platform::MessageKind;

namespace {

ToolText BadAnswerText(monitor::DownloadOutcome outcome) {
    switch (outcome) {
        case monitor::DownloadOutcome::LineTooLong:
            return ToolText::LineTooLong;
        case monitor::DownloadOutcome::ImageFull:
            return ToolText::ImageFull;
        default:
            return ToolText::WrongRecordSize;
    }
}

}  // namespace

Outcome CInitDlg::OnSaveSetupRecord() {
    const discovery::DeviceEntry* selected = selectedDevice();
    if (selected == nullptr) return Failed(OutcomeKind::NoDevice);
    const std::string ipText = selected->ipText;
    const int line = view_.listSelection(ControlId::DeviceList);

    if (!checkDeviceAnswers(ipText)) return Failed(OutcomeKind::DeviceNotAnswering);

    records::FileImage image;
    clearLog();
    AppendLog("Save:start.\r\n");
    view_.setProgress(1);

    AppendLog("telnet:start.");
    AppendLog("connect.");
    monitor::TelnetSocket socket;
    if (int code = monitor::TelnetConnect(socket, ipText)) {
        ReportSocketError(code);
        view_.setProgress(0);
        return Failed(OutcomeKind::SocketError, code);
    }

    auto communicationFailure = [&](int code) {
        ReportSocketError(code);
        monitor::TelnetClose(socket);
        view_.setProgress(0);
        return Failed(OutcomeKind::SocketError, code);
    };

    AppendLog("success.\r\n");
    if (int code = monitor::EnterMonitorMode(
            socket, [this] { AppendLog("wait\"Mode\"-"); }, [this] { AppendLog("mon mode."); })) {
        return communicationFailure(code);
    }
    AppendLog("success.\r\n");
    AppendLog("setup record:recv start.\r\n");

    monitor::DownloadResult result = monitor::ReadSetupRecords(socket, image, transferHooks());
    switch (result.outcome) {
        case monitor::DownloadOutcome::Complete:
        case monitor::DownloadOutcome::EndAnswer:
            break;
        case monitor::DownloadOutcome::SocketError:
            return communicationFailure(result.code);
        case monitor::DownloadOutcome::LineTooLong:
        case monitor::DownloadOutcome::ImageFull:
        case monitor::DownloadOutcome::WrongSize:
            // The answer cannot be kept as a file that loads back: say so
            // plainly and save nothing.
            view_.messageBox(MessageKind::ResultText,
                             LoadToolText(BadAnswerText(result.outcome), language_));
            monitor::TelnetClose(socket);
            view_.setProgress(0);
            return Failed(OutcomeKind::BadAnswer);
    }

    monitor::TelnetClose(socket);
    AppendLog("save setuprecord...\r\n");
    view_.setProgress(11);

    platform::SaveDialogRequest request;
    request.defaultName = view_.listText(ControlId::DeviceList, line) + ".rec";
    request.defaultExtension = "rec";
    request.filters = {{"Setup record files(*.rec)", "*.rec"}, {"All files (*.*)", "*.*"}};
    request.initialFolder = platform::pathFromUtf8(view_.text(ControlId::RecordFolderLabel));
    request.overwritePrompt = true;
    std::optional<std::filesystem::path> chosen = view_.saveFileDialog(request);

    if (!chosen) {
        AppendLog("cancel.\r\n");
        emptyList(ControlId::DeviceList);
        UpdateControls();
        view_.setProgress(0);
        return Failed(OutcomeKind::Cancelled);
    }

    switch (records::SaveFileReplacing(*chosen, image.bytes())) {
        case records::SaveResult::CannotCreate:
            view_.messageBox(MessageKind::ResultText, "OpenError");
            view_.setProgress(0);
            return Failed(OutcomeKind::FileError);
        case records::SaveResult::WriteFailed:
            view_.messageBox(
                MessageKind::ResultText,
                LoadToolText(ToolText::WriteFailed, language_));
            view_.setProgress(0);
            return Failed(OutcomeKind::FileError);
        case records::SaveResult::Saved:
            break;
    }
    AppendLog("success.\r\n");
    view_.setProgress(12);
    showString(MessageKind::ResultText, StringId::Done);
    view_.setProgress(0);
    emptyList(ControlId::DeviceList);
    UpdateControls();
    RefreshFileList(view_.text(ControlId::RecordFolderLabel));
    return Succeeded();
}

}  // namespace quelvar::app
