#pragma once
// The help command: the help page in the browser, maximised. The page is a web address
// chosen when the program was built or, without one, the page built into the program,
// written on this computer at each request.
#include "main_window/process_launcher.h"
#include "main_window/help_errors.h"

#include <string>
#include <string_view>

namespace diag {

// The browser, started with the page's address after one blank (helpCommandLine).
inline constexpr std::string_view kBrowserPath = "c:\\Program Files\\Internet Explorer\\iexplore.exe";

// Where the built-in page may be written, and the page itself.
class HelpPageFiles {
  public:
    virtual ~HelpPageFiles() = default;
    virtual std::string localAppDataFolder() = 0; // UTF-8; empty when the system names none
    virtual std::string temporaryFolder() = 0;
    virtual std::string_view builtInPage() = 0;
};

struct HelpPage {
    std::string file;    // where the built-in page is written; empty for a web address
    std::string address; // what the browser is given
    bool operator==(const HelpPage&) const = default;
};

// The built-in page's place under a folder (FOLDER\diagreso\decalage.htm) and its address.
HelpPage helpPageIn(std::string_view folder);

// The file:/// URL of an absolute path: every byte but letters, digits and -._~/: is
// percent-encoded (UTF-8 for accented letters), so the URL holds no blank.
std::string fileUrl(std::string_view path);

// Writes the built-in page under the local application-data folder or, where that
// cannot be written, under the temporary folder; returns where it went. Raises
// HelpPageWriteError, naming each folder and the system's reason, when neither can.
HelpPage writeHelpPage(HelpPageFiles& files);

// The browser path followed directly by the address.
std::string helpCommandLine(std::string_view address);

// Starts the browser at its path with the help command line; where it cannot be
// started, hands the address to the default browser; raises HelpPageError giving the
// page's location when both fail.
void openHelpPage(ProcessLauncher& launcher, const HelpPage& page);

} // namespace diag
