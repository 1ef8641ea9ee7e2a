// The "Load setuprecord" button: write the records of the selected setup
// record file into the selected module, then reset it and wait for it.
#include <chrono>

#include "app/init_dlg.h"
#include "app/strings.h"
#include "discovery/reachability.h"
#include "monitor/record_upload.h"
#include "monitor/telnet.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "records/rec_file.h"

namespace quelvar::app {

using platform::ControlId;
using platform::MessageKind;
using namespace std::chrono_literals;

Outcome CInitDlg::OnLoadSetupRecord() {
    const discovery::DeviceEntry* selected = selectedDevice();
    const int fileLine = view_.listSelection(ControlId::FileList);
    // The button needs both selections.
    if (selected == nullptr || fileLine < 0) return Failed(OutcomeKind::NoDevice);
    const std::string ipText = selected->ipText;
    const discovery::MacAddress mac = selected->mac;

    if (showString(MessageKind::Confirmation, StringId::ConfirmApplySetupRecord) !=
        platform::MessageAnswer::Ok) {
        return Failed(OutcomeKind::Cancelled);
    }
    if (!checkDeviceAnswers(ipText)) return Failed(OutcomeKind::DeviceNotAnswering);

    clearLog();
    AppendLog("Initialize:start.\r\n");
    view_.setProgress(0);

    const std::string path = recordFolder_ + view_.listText(ControlId::FileList, fileLine);
    AppendLog("setup record:open.");
    records::FileSource file;
    if (!file.open(platform::pathFromUtf8(path))) {
        view_.messageBox(MessageKind::ResultText, "OpenError");
        return Failed(OutcomeKind::FileError);
    }
    records::RecordReader reader(file);

    AppendLog("header skip.");
    // An error of the file layer ends the run like a short read: the file
    // cannot give what the device is to receive.
    if (reader.readHeader() != records::ReadStatus::Ok) {
        view_.messageBox(MessageKind::ResultText, "ReadError");
        return Failed(OutcomeKind::ReadError);
    }
    AppendLog("success.\r\n");

    // Every record the module will get is read before anything is sent, so a
    // file cut short never leaves a module half written and not reset.
    records::RecordList list = records::ReadRecordList(reader);
    file.close();
    if (list.status != records::ReadStatus::End) {
        view_.messageBox(MessageKind::ResultText, "ReadError");
        return Failed(OutcomeKind::ReadError);
    }

    AppendLog("telnet:start.");
    AppendLog("connect.");
    monitor::TelnetSocket socket;
    if (int code = monitor::TelnetConnect(socket, ipText)) {
        ReportSocketError(code);
        return Failed(OutcomeKind::SocketError, code);
    }
    AppendLog("success.\r\n");

    auto transportFailure = [&](int code) {
        ReportSocketError(code);
        monitor::TelnetClose(socket);
        view_.setProgress(0);
        return Failed(OutcomeKind::SocketError, code);
    };

    if (int code = monitor::EnterMonitorMode(socket, nullptr, [this] { AppendLog("mon mode."); })) {
        ReportSocketError(code);
        monitor::TelnetClose(socket);
        return Failed(OutcomeKind::SocketError, code);
    }
    AppendLog("success.\r\n");
    view_.setProgress(1);
    AppendLog("setup record:send start.\r\n");

    monitor::UploadResult written =
        monitor::WriteSetupRecords(socket, list.records, transferHooks());
    switch (written.outcome) {
        case monitor::UploadOutcome::Complete:
            break;
        case monitor::UploadOutcome::SocketError:
            return transportFailure(written.code);
        case monitor::UploadOutcome::EchoMissing:
        case monitor::UploadOutcome::RecordRefused:
            view_.messageBox(MessageKind::ResultText,
                             written.outcome == monitor::UploadOutcome::EchoMissing
                                 ? "WaitStringError"
                                 : "TelnetError");
            monitor::TelnetClose(socket);
            view_.setProgress(0);
            return Failed(OutcomeKind::RecordRefused);
    }

    AppendLog("device reset:send:");
    if (int code = monitor::SendReset(socket)) return transportFailure(code);
    platform::sleepFor(100ms);
    AppendLog("success.\r\n");
    view_.setProgress(11);
    AppendLog("Initialize:success:\r\n");
    monitor::TelnetClose(socket);
    view_.setProgress(12);

    // The records were taken either way, so the window still says "done.";
    // the log and the outcome tell whether the module came back.
    AppendLog("ping:");
    const discovery::DeviceEntry* again = selectedDevice();
    bool back = discovery::PingDevice(again != nullptr ? again->ipText : ipText, 10, &mac);
    AppendLog(back ? "success:\r\n" : "error !\r\n");

    finishModuleOperation(13, "\r\nInitialize:end.\r\n");
    return back ? Succeeded() : Failed(OutcomeKind::NotBackAfterReset);
}

}  // namespace quelvar::app
