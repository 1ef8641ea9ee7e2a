// The activity log: a capped trace in the (normally hidden) log control, and
// the one way socket failures reach the user.
#include <cstdio>
#include <vector>

#include "app/init_dlg.h"
#include "app/strings.h"
#include "platform/socket.h"

namespace quelvar::app {

using platform::ControlId;

void AppendCapped(std::string& log, std::string_view text, std::size_t cap) {
    log.append(text);
    if (log.size() > cap) log.erase(0, log.size() - cap);
}

void CInitDlg::AppendLog(std::string_view text) {
    // The control is the log; reloading it first respects a clear made there.
    logText_ = view_.text(ControlId::ActivityLog);
    AppendCapped(logText_, text);
    view_.setText(ControlId::ActivityLog, logText_);
    view_.scrollLogToEnd();
}

namespace {

template <typename Value>
std::string formatOne(const char* format, Value value) {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    int length = std::snprintf(nullptr, 0, format, value);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::snprintf(buffer.data(), buffer.size(), format, value);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace

void CInitDlg::AppendLogFormat(const char* format, int value) {
    AppendLog(formatOne(format, value));
}

void CInitDlg::AppendLogFormat(const char* format, const std::string& value) {
    AppendLog(formatOne(format, value.c_str()));
}

void CInitDlg::ReportSocketError(int code) {
    std::string text =
        code == -1 ? LoadToolText(ToolText::WaitFailed, language_) : platform::systemErrorText(code);
    if (text.empty()) text = formatOne("error %d", code);
    view_.messageBox(platform::MessageKind::ResultText, text);
    AppendLogFormat("%s\r\n", formatOne("error:%d", code));
}

}  // namespace quelvar::app
