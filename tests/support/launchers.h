#pragma once
// A launcher that records the programs the help command starts instead of starting them;
// the browser and the default browser can each be made to fail.
#include "main_window/process_launcher.h"

#include <string>
#include <vector>

namespace diag::test {

class RecordingLauncher final : public ProcessLauncher {
  public:
    bool start(const std::string& application, const std::string& commandLine, int showState) override {
        started.push_back({application, commandLine, showState});
        return browserPresent;
    }
    bool openWithDefaultBrowser(const std::string& address, int showState) override {
        defaultBrowser.push_back({"", address, showState});
        return defaultBrowserWorks;
    }
    struct Start {
        std::string application, commandLine;
        int showState;
        bool operator==(const Start&) const = default;
    };
    std::vector<Start> started, defaultBrowser;
    bool browserPresent = true, defaultBrowserWorks = true;
};

} // namespace diag::test
