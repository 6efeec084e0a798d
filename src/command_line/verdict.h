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
// 96 dpi; Windows Vista to 8.1 wherever "Use Windows XP style DPI scaling" is unticked
// and never where it is ticked, at any density; where the box was
// never set, from 144 dpi, below which it is ticked by default and gives the program the
// real density ("Really High DPI", the Windows Vista team, MSDN blogs, 2007, which treats
// the box as the switch at every density; Microsoft's "DPI-related APIs and registry
// settings" for the density); earlier systems never. Wine never enlarges a
// program: this rule is seen in the tests only through what the report computes.
uint32_t unawareStretchDpi(std::string_view osVersion, uint32_t dpi, std::optional<bool> xpStyleTicked);

// A window of the design size `width` x `height`, enlarged to `dpi`, rounded to the
// nearest pixel as Windows scales (MulDiv): 1024 at 110 dpi is 1173.
WindowSize drawnSize(int32_t width, int32_t height, uint32_t dpi);

// How far a rectangle reaches beyond an area on each side, in pixels (0 where it does not).
struct Beyond {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool any() const { return left > 0 || top > 0 || right > 0 || bottom > 0; }
};
Beyond beyond(const ScreenRect& r, const ScreenRect& area);

// As the report writes them: {"width", "height"} and {"left", "top", "right", "bottom"}.
std::string jsonOf(const WindowSize& size);
std::string jsonOf(const Beyond& sides);

// What the person at the till sees of a measured window.
// - Maximised, its frame's borders lie beyond its monitor's work area, where Windows
//   places them ("The Old New Thing", Microsoft, "Why does a maximized window have the
//   wrong window rectangle?", 2012): they are not a cut. Where the system gives the frame
//   as drawn (DWM, Windows Vista and later with composition) they are already left out.
// - Full screen, its client area covering its whole monitor, the taskbar gets out of its
//   way ("If the client area covers the entire screen, then it is a fullscreen window",
//   "The Old New Thing", 2025; ITaskbarList2::MarkFullscreenWindow): nothing is under it.
struct WindowView {
    ScreenRect seen;    // its rectangle less the borders placed beyond the work area
    bool fullScreen = false;
    Beyond hidden;      // beyond what shows of the monitor: the work area, or all of it for full screen
    Beyond offScreen;   // beyond the monitor; hidden less this is under the taskbar
};
WindowView viewOf(const ProgramWindow& window);

// A measured window settles whether the point-of-sale program fits only if it is that
// program's main window: not owned by another window (a dialog, a login box made by the
// main window), and at least kMainWindowPercent of its classic window as Windows draws
// it, across and down (1024 x 738 at 96 dpi: 922 x 665). A splash screen or a login box
// of its own is smaller; its main window laid out in a work area a few lines short of
// 738 (1024 x 728 beside a 40-pixel taskbar) is not.
inline constexpr int32_t kMainWindowPercent = 90;
bool isMainWindow(const ProgramWindow& window, uint32_t systemStretchDpi);

// The density the point-of-sale program's windows are drawn at: the system's stretch for
// a program unaware of the density, or 96 where its file's compatibility layer says the
// program scales itself (HIGHDPIAWARE, "Application"). The layer is its main window's
// program's where one runs; otherwise the layer found for the folder's programs where
// they all agree.
uint32_t tillDrawnDpi(const Findings& found);

// One reason of the verdict, for a program: a stable English code and the figures behind
// it, the members of a JSON object after "code" (docs/rapport.schema.json lists them).
struct Cause {
    std::string code;
    std::string figures; // "\"dpi\": 120, \"percent\": 125"; empty for none
};

struct Verdict {
    std::optional<bool> ok;                      // none where the session does not show the till's screen,
                                                 // or where the mode in force or the text size is unknown
    std::optional<bool> classicFits, wideFits;   // likewise; at their drawn size, in the work area
    std::vector<std::string> reasons;            // French: why not ok, or why it cannot be told
    std::vector<Cause> causes;                   // one per reason, in the same order
};

Verdict decideVerdict(const Findings& found);

// One line of French, without a line end and at most kMostVerdictLineBytes of UTF-8: the
// computer, the verdict, the text state with its density and scale, the resolution in
// force and which windows it holds, and the saved resolution.
std::string verdictLine(const std::string& computer, const Findings& found, const Verdict& verdict);

} // namespace diag
