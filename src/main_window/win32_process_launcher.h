#pragma once
// Starting programs with the system's own calls (Windows builds only).
#include "main_window/process_launcher.h"

namespace diag {

class Win32ProcessLauncher final : public ProcessLauncher {
  public:
    bool start(const std::string& application, const std::string& commandLine, int showState) override;
    bool openWithDefaultBrowser(const std::string& address, int showState) override;
};

} // namespace diag
