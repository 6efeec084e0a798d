#pragma once
// The report of /rapport: what the window would show, the display's modes, and the saved
// resolution read from W_ECRA_R.WDO of the current directory without writing it.
#include "app/clock.h"
#include "display/display_api.h"
#include "display/font_api.h"

#include <string>
#include <vector>

namespace diag {

struct ReportSources {
    DisplayApi& display;
    FontApi& font;
    const Clock& clock;
    std::string version;
    std::string computer;                 // UTF-8
    std::vector<std::string> testCaptions; // the window's test buttons, in their order
};

// One JSON object, UTF-8, CRLF line ends (its schema: docs/rapport.schema.json). A record
// file that cannot be read is told inside the report; the file is never created or changed.
std::string buildReport(const ReportSources& sources);

} // namespace diag
