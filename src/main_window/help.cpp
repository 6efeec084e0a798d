#include "main_window/help.h"

namespace diag {

std::string helpCommandLine(std::string_view address) { return std::string(kBrowserPath) + std::string(address); }

void openHelpPage(ProcessLauncher& launcher, std::string_view address) {
    std::string application(kBrowserPath.substr(0, kBrowserPath.size() - 1));
    if (launcher.start(application, helpCommandLine(address), kShowMaximized)) return;
    if (launcher.openWithDefaultBrowser(std::string(address), kShowMaximized)) return;
    throw HelpPageError(std::string(address));
}

} // namespace diag
