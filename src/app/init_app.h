#pragma once

#include <functional>
#include <string>

#include "platform/language.h"

namespace quelvar::app {

// What a front-end gives the application object: a way to warn before any
// window exists, and its main window, run until it ends.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    virtual void showStartupWarning(const std::string& text) = 0;
    // Builds the main window and its CInitDlg, runs it until it ends, and
    // returns the process exit status.
    virtual int runMainWindow() = 0;
};

// The application object: starts the socket library, then the main window.
class CInitApp {
public:
    explicit CInitApp(std::function<bool()> initializeSockets);

    // Returns the process exit status. Without sockets the user sees string
    // 103 and no window is created.
    int InitInstance(FrontEnd& frontEnd, platform::Language language);

private:
    std::function<bool()> initializeSockets_;
};

}  // namespace quelvar::app
