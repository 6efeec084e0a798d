#pragma once
// The report of /rapport: what the window would show, the display's modes, and the saved
// resolution read from W_ECRA_R.WDO of the current directory without writing it.
#include "app/clock.h"
#include "display/display_api.h"
#include "display/font_api.h"
#include "display/session_api.h"

#include <string>
#include <vector>

namespace diag {

struct ReportSources {
    DisplayApi& display;
    FontApi& font;
    SessionApi& session;
    const Clock& clock;
    std::string version;
    std::string computer;                 // UTF-8
    std::vector<std::string> testCaptions; // the window's test buttons, in their order
};

// One JSON object, UTF-8, CRLF line ends (its schema: docs/rapport.schema.json), of the
// session described by `session`. A record file that cannot be read is told inside the
// report; the file is never created or changed. Where the session does not show the
// till's screen, what the window would show (text, current mode, modes) is left out: it
// would describe another display, or none.
std::string buildReport(const ReportSources& sources, const SessionInfo& session);

// Why the session does not show the till's screen, and how to reach that screen, in
// French; for a session that shows it, nothing.
std::string sessionWarning(const SessionInfo& session);

} // namespace diag
