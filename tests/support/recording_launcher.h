#pragma once

#include <string>
#include <vector>

#include "platform/launcher.h"

namespace quelvar::testing {

// A launcher that starts nothing and records what would have been started.
class RecordingLauncher : public platform::Launcher {
public:
    platform::StartResult telnetResult = platform::StartResult::Started;
    std::vector<std::string> telnetStarts;  // "ADDRESS PORT"
    std::vector<std::string> urls;

    platform::StartResult startTelnet(const std::string& address, int port) override {
        telnetStarts.push_back(address + " " + std::to_string(port));
        return telnetResult;
    }
    void openUrl(const std::string& url) override { urls.push_back(url); }
};

}  // namespace quelvar::testing
