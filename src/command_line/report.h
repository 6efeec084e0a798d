#pragma once
// The report of /rapport: what the window would show, the display's modes, and the saved
// resolution read from W_ECRA_R.WDO of the current directory without writing it.
#include "app/clock.h"
#include "display/display_api.h"
#include "display/font_api.h"
#include "display/session_api.h"

#include <optional>
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

// What the report and the verdict read, each once: the session; where it shows the till's
// screen, the system text and the mode in force; and the record file, only read.
struct SavedReading {
    enum class State { Absent, NotInitialised, Texts, Unreadable } state = State::Absent;
    std::string width, height, bits, since; // Texts: as the window shows them, trimmed
    std::string error;  // Texts: why /retour would refuse them; Unreadable: why it could not be read
    std::string reason; // Unreadable: the system's own words
};

struct TextReading {
    std::optional<int32_t> heightPx; // none when the probe measured nothing: the state is unknown
    int dpi = 0;                     // 0 when unknown: the session's, fixed at sign-in
    std::optional<uint32_t> scalePercent;
    bool enlarged = false;           // what the window shows: "Grossie"
    // The session's density and the primary monitor's now, where the system tells the
    // latter (Windows 10 1607 and later): they differ until the next sign-in after a change.
    std::optional<uint32_t> dpiAtSignIn, dpiNow;
    uint32_t stretchDpi = 96; // the density Windows enlarges a program that does not handle it to
};

struct ModeReading {
    int32_t width = 0, height = 0;
    uint32_t bits = 0, frequency = 0;
    bool operator==(const ModeReading&) const = default;
};

struct Findings {
    SessionInfo session;
    std::optional<TextReading> text;    // only where the session shows the till's screen
    std::optional<ModeReading> current; // likewise, and none when the system does not tell it
    std::string recordFile;             // full path of W_ECRA_R.WDO in the current folder
    SavedReading saved;
    std::vector<DisplayDevice> displays;
    std::optional<MonitorArea> monitor; // the primary one; only where the session shows the screen
    std::optional<TillPrograms> till;   // likewise: the windows and layers of the programs of the current folder
};

Findings gatherFindings(const ReportSources& sources, const SessionInfo& session);

// One JSON object, UTF-8, CRLF line ends (its schema: docs/rapport.schema.json), of the
// session described by `session`. A record file that cannot be read is told inside the
// report; the file is never created or changed. Where the session does not show the
// till's screen, what the window would show (text, current mode, modes) is left out: it
// would describe another display, or none.
std::string buildReport(const ReportSources& sources, const SessionInfo& session);
// The same from what was already gathered (gatherFindings) for that session.
std::string buildReport(const ReportSources& sources, const Findings& found);

// Why the session does not show the till's screen, and how to reach that screen, in
// French; for a session that shows it, nothing.
std::string sessionWarning(const SessionInfo& session);
// The first part of it, why alone, without the final full stop.
std::string sessionReason(const SessionInfo& session);

} // namespace diag
