#pragma once
// Starting another program (the help browser), behind an interface for tests.
#include <string>

namespace diag {

constexpr int kShowMaximized = 3; // SW_SHOWMAXIMIZED

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts exactly `application` (no search along the path's blanks) with exactly
    // `commandLine`, not waited for. False when it cannot be started.
    virtual bool start(const std::string& application, const std::string& commandLine, int showState) = 0;
    // Hands an address to the user's default browser. False when that fails.
    virtual bool openWithDefaultBrowser(const std::string& address, int showState) = 0;
};

} // namespace diag
