// The activity log: a capped trace that the presenter keeps and the (normally
// hidden) log control shows.
#include <cstdio>
#include <vector>

#include "app/init_dlg.h"

namespace quelvar::app {

void CInitDlg::clearLog() {
    logText_.clear();
    view_.showLog(logText_);
}

void CInitDlg::AppendLog(std::string_view text) {
    ops::AppendCapped(logText_, text);
    view_.showLog(logText_);
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

}  // namespace quelvar::app
