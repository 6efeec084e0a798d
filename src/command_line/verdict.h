#pragma once
// The verdict of /verifier and of the report: will the point-of-sale program display
// correctly in this session, and if not, why. Its window needs text that Windows does not
// enlarge and a work area (the screen less the taskbar) that holds it: 1024 x 738 pixels
// in its classic mode, 1368 x 738 in its wide one, the edges the main window's red lines
// mark, at the size Windows draws it. A window of it that runs is judged as measured.
#include "command_line/report.h"

#include <optional>
#include <string>
#include <string_view>
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

// The standard density, at which a program that does not declare that it handles the
// density is drawn before Windows enlarges it.
inline constexpr uint32_t kStandardDpi = 96;

struct WindowSize {
    int32_t width = 0, height = 0;
};

// The density as the display settings show it: a percentage of the standard 96 dpi, to
// the nearest whole one (120 dpi: 125 %).
uint32_t percentOfStandardDensity(uint32_t dpi);

// The density Windows enlarges a program that does not handle the density to, as a
// picture (kStandardDpi where it does not): Windows 10 and later at any density above
// 96 dpi; Windows Vista to 8.1 from 144 dpi, and above 96 dpi only where the user
// unticked "Use Windows XP style DPI scaling" (`xpStyleOff` 1); earlier systems never.
// Below 144 dpi Vista to 8.1 tick that box by default and give the program the real
// density ("Really High DPI", the Windows Vista team, MSDN blogs, 2007; Microsoft's
// "DPI-related APIs and registry settings" for the density). Wine never enlarges a
// program: this rule is seen in the tests only through what the report computes.
uint32_t unawareStretchDpi(std::string_view osVersion, uint32_t dpi, std::optional<uint32_t> xpStyleOff);

// A window of the design size `width` x `height`, enlarged to `dpi`, rounded up.
WindowSize drawnSize(int32_t width, int32_t height, uint32_t dpi);

// How far a rectangle reaches beyond an area on each side, in pixels (0 where it does not).
struct Beyond {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
Beyond beyond(const ScreenRect& r, const ScreenRect& area);

struct Verdict {
    std::optional<bool> ok;                      // none where the session does not show the till's screen,
                                                 // or where the mode in force or the text size is unknown
    std::optional<bool> classicFits, wideFits;   // likewise; at their drawn size, in the work area
    std::vector<std::string> reasons;            // French: why not ok, or why it cannot be told
};

Verdict decideVerdict(const Findings& found);

// One line of French, without a line end and at most kMostVerdictLineBytes of UTF-8: the
// computer, the verdict, the text state with its density and scale, the resolution in
// force and which windows it holds, and the saved resolution.
std::string verdictLine(const std::string& computer, const Findings& found, const Verdict& verdict);

} // namespace diag
