// The "Load setuprecord" button: write the records of the selected setup
// record file into the selected module, then reset it and wait for it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/init_dlg.h"
#include "app/strings.h"
#include "discovery/reachability.h"
#include "monitor/data_line.h"
#include "monitor/telnet.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "records/rec_file.h"

namespace quelvar::app {

using platform::ControlId;
using platform::MessageKind;
using namespace std::chrono_literals;

namespace {

constexpr int kReplySize = 3;

}  // namespace

void CInitDlg::OnLoadSetupRecord() {
    const discovery::DeviceEntry* selected = selectedDevice();
    const int fileLine = view_.listSelection(ControlId::FileList);
    if (selected == nullptr || fileLine < 0) return;  // the button needs both selections
    const std::string ipText = selected->ipText;

    if (showString(MessageKind::Confirmation,
                   StringId::ConfirmApplySetupRecord) !=
        platform::MessageAnswer::Ok) {
        return;
    }
    if (!checkDeviceAnswers(ipText)) return;

    clearLog();
    AppendLog("Initialize:start.\r\n");
    view_.setProgress(0);

    const std::string path = recordFolder_ + view_.listText(ControlId::FileList, fileLine);
    AppendLog("setup record:open.");
    records::FileSource file;
    if (!file.open(platform::pathFromUtf8(path))) {
        view_.messageBox(MessageKind::ResultText, "OpenError");
        return;
    }
    records::RecordReader reader(file);

    AppendLog("header skip.");
    // An error of the file layer ends the run like a short read: the file
    // cannot give what the device is to receive.
    if (reader.readHeader() != records::ReadStatus::Ok) {
        view_.messageBox(MessageKind::ResultText, "ReadError");
        file.close();
        return;
    }
    AppendLog("success.\r\n");

    AppendLog("telnet:start.");
    AppendLog("connect.");
    monitor::TelnetSocket socket;
    if (int code = monitor::TelnetConnect(socket, ipText)) {
        ReportSocketError(code);
        file.close();
        return;
    }
    AppendLog("success.\r\n");

    auto closeAll = [&]() {
        file.close();
        monitor::TelnetClose(socket);
    };
    auto transportFailure = [&](int code) {
        ReportSocketError(code);
        closeAll();
        view_.setProgress(0);
    };
    auto failWith = [&](const char* word) {
        view_.messageBox(MessageKind::ResultText, word);
        closeAll();
        view_.setProgress(0);
    };

    if (int code = monitor::EnterMonitorMode(socket, nullptr, [this] { AppendLog("mon mode."); })) {
        ReportSocketError(code);
        closeAll();
        return;
    }
    AppendLog("success.\r\n");
    view_.setProgress(1);
    AppendLog("setup record:send start.\r\n");

    std::vector<std::uint8_t> data;
    for (int pass = 1; pass <= records::kMaxRecordsRead; ++pass) {
        view_.setProgress(pass);
        AppendLog("setup:");

        std::uint8_t number = 0;
        records::ReadStatus status = reader.readNumber(number);
        if (status == records::ReadStatus::End) break;
        if (status != records::ReadStatus::Ok) {
            failWith("ReadError");
            return;
        }
        AppendLogFormat("read:%d:", number);
        AppendLog("cmd:");

        char command[8];
        std::snprintf(command, sizeof command, "S%d\r\n", number);
        if (int sendCode = monitor::TelnetSend(socket, command)) {
            transportFailure(sendCode);
            return;
        }

        platform::sleepFor(100ms);
        AppendLog("read:");
        if (reader.readData(number, data) != records::ReadStatus::Ok) {
            failWith("ReadError");
            return;
        }

        AppendLog("send:");
        const int size = static_cast<int>(data.size());
        for (int offset = 0; offset < size; offset += monitor::kMaxDataLineBytes) {
            const int count = std::min(size - offset, monitor::kMaxDataLineBytes);
            std::string lineText = monitor::FormatDataLine(count, offset, data.data() + offset);
            if (int sendCode = monitor::TelnetSend(socket, lineText.c_str())) {
                transportFailure(sendCode);
                return;
            }
            platform::sleepFor(10ms);
        }

        AppendLog("footer:");
        if (int sendCode = monitor::TelnetSend(socket, monitor::kEndRecord)) {
            transportFailure(sendCode);
            return;
        }
        platform::sleepFor(10ms);

        // The echo is "S" and the first digit of the number: the command cut
        // after its second character.
        const char echo[3] = {command[0], command[1], '\0'};
        if (monitor::TelnetWaitString(socket, echo) != 0) {
            failWith("WaitStringError");
            return;
        }

        std::uint8_t reply[kReplySize] = {};
        if (int recvCode = monitor::TelnetRecv(socket, reply, kReplySize)) {
            transportFailure(recvCode);
            return;
        }
        if (reply[1] != '0') {
            failWith("TelnetError");
            return;
        }

        platform::sleepFor(100ms);
        AppendLog("success.\r\n");
    }

    AppendLog("device reset:send:");
    if (int sendCode = monitor::TelnetSend(socket, "RS\r\n")) {
        transportFailure(sendCode);
        return;
    }
    platform::sleepFor(100ms);
    AppendLog("success.\r\n");
    view_.setProgress(11);
    AppendLog("Initialize:success:\r\n");
    closeAll();
    view_.setProgress(12);

    AppendLog("ping:");
    const discovery::DeviceEntry* again = selectedDevice();
    discovery::PingDevice(again != nullptr ? again->ipText : ipText, 10);
    AppendLog("success:\r\n");

    emptyList(ControlId::DeviceList);
    UpdateControls();
    view_.setProgress(13);
    showString(MessageKind::ResultText, StringId::Done);
    view_.setProgress(0);
    AppendLog("\r\nInitialize:end.\r\n");
}

}  // namespace quelvar::app
