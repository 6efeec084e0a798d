#pragma once
// The verdict of /verifier and of the report: will the point-of-sale program display
// correctly in this session, and if not, why. Its window needs text that Windows does not
// enlarge and a screen that holds it: 1024 x 738 pixels in its classic mode, 1368 x 738
// in its wide one, the edges the main window's red lines mark.
#include "command_line/report.h"

#include <optional>
#include <string>
#include <vector>

namespace diag {

inline constexpr int32_t kClassicWindowWidth = 1024;
inline constexpr int32_t kWideWindowWidth = 1368;
inline constexpr int32_t kWindowHeight = 738;

// The longest line a remote-management console keeps of a script's output.
inline constexpr size_t kMostVerdictLineBytes = 2048;

// Why there is no verdict where the session shows the screen but the system did not tell
// the mode in force.
inline constexpr const char* kModeUnknownReason = "le système n'a pas indiqué la résolution en vigueur";
// Likewise where the size of the system text could not be measured.
inline constexpr const char* kTextUnknownReason = "la taille des caractères de Windows n'a pas pu être mesurée";

struct Verdict {
    std::optional<bool> ok;                      // none where the session does not show the till's screen,
                                                 // or where the mode in force or the text size is unknown
    std::optional<bool> classicFits, wideFits;   // likewise
    std::vector<std::string> reasons;            // French: why not ok, or why it cannot be told
};

Verdict decideVerdict(const Findings& found);

// One line of French, without a line end and at most kMostVerdictLineBytes of UTF-8: the
// computer, the verdict, the text state with its density and scale, the resolution in
// force and which windows it holds, and the saved resolution.
std::string verdictLine(const std::string& computer, const Findings& found, const Verdict& verdict);

} // namespace diag
