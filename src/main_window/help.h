#pragma once
// The help command: the help page in the browser, maximised.
#include "app/errors.h"
#include "app/process_launcher.h"

#include <string>
#include <string_view>

namespace diag {

// Ends in one blank, which separates the program from its argument.
inline constexpr std::string_view kBrowserPath = "c:\\Program Files\\Internet Explorer\\iexplore.exe ";

// The browser path followed directly by the address.
std::string helpCommandLine(std::string_view address);

// Starts the browser at its path with the help command line; where it cannot be
// started, hands the address to the default browser; raises HelpPageError when both fail.
void openHelpPage(ProcessLauncher& launcher, std::string_view address);

} // namespace diag
