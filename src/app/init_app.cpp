#include "app/init_app.h"

#include "ops/strings.h"

namespace quelvar::app {

CInitApp::CInitApp(std::function<bool()> initializeSockets)
    : initializeSockets_(std::move(initializeSockets)) {}

int CInitApp::InitInstance(FrontEnd& frontEnd, platform::Language language) {
    if (!initializeSockets_ || !initializeSockets_()) {
        frontEnd.showStartupWarning(ops::LoadString(ops::StringId::SocketStartupFailed, language));
        return 1;
    }
    return frontEnd.runMainWindow();
}

}  // namespace quelvar::app
