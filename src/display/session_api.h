#pragma once
// Where the program runs and what that session sees: whether the display it reads and
// changes is the till's own screen, or a remote session's, or none at all (a service, a
// task run whether or not anyone is logged on).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace diag {

struct SessionInfo {
    uint32_t id = 0;                   // the program's Windows session
    std::optional<uint32_t> consoleId; // the session attached to the physical console, if any
    std::string windowStation;         // its name, UTF-8 (WinSta0 where windows can be seen)
    bool visible = false;              // the window station can show windows
    bool remote = false;               // a Remote Desktop session
    std::string user;                  // DOMAIN\name the program runs as, UTF-8
    // The till's own screen: windows can be seen, in the console's session, not remote.
    bool showsTheScreen() const { return visible && !remote && consoleId == id; }
};

// A display attached to the desktop, as this session sees it.
struct DisplayDevice {
    std::string device; // \\.\DISPLAY1
    bool primary = false;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t bits = 0, frequency = 0;
    std::optional<uint32_t> dpi; // its effective density, where the system tells it
    bool operator==(const DisplayDevice&) const = default;
};

// A rectangle of the screen, in physical pixels.
struct ScreenRect {
    int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
};

// A monitor: all of it, and its work area (less the taskbar and other desktop toolbars).
struct MonitorArea {
    ScreenRect screen, work;
    bool operator==(const MonitorArea&) const = default;
};

// How a program's file is set to be drawn at a density above 96 dpi, where a support team
// or a user chose it in the file's properties ("Override high DPI scaling behaviour",
// Windows 10 1703 and later; "Disable display scaling on high DPI settings" before): the
// compatibility layer HIGHDPIAWARE ("Application": Windows does not enlarge the program,
// which gets the density), DPIUNAWARE ("System") or GDIDPISCALING DPIUNAWARE ("System
// (Enhanced)"), both enlarged as a picture (the Windows Developer blog, "High-DPI Scaling
// Improvements for Desktop Applications in the Windows 10 Creators Update (1703)", 2017).
enum class DpiScaling { Application, System, SystemEnhanced };

// The DPI override a layers value (such as "~ GDIDPISCALING DPIUNAWARE") sets; none where
// it sets none.
std::optional<DpiScaling> dpiScalingOf(std::string_view layers);

// A value that sets a DPI override for a program of the folder searched, under the key
// Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers of HKCU or HKLM.
struct CompatLayer {
    std::string program; // its file's name, UTF-8
    std::string path;    // the value's name: the program's path as the layer was set
    std::string hive;    // "HKCU" or "HKLM"
    std::string layers;  // the value as set
    DpiScaling scaling = DpiScaling::System;
};

// A visible top-level window of another program, read without writing to its process.
// Rectangles are in physical pixels where the system can tell them (Windows 10 1607 and
// later); before, as a program aware of the session's density sees them.
struct ProgramWindow {
    std::optional<std::string> program = {};   // its program file's name; none where its process refused to be opened
    std::string title = {};                    // UTF-8; empty where its process refused to be opened
    ScreenRect rect = {};                      // the frame as drawn (DWM's bounds) where told, else the window's rectangle
    ScreenRect client = {};                    // its client area, on the screen
    MonitorArea monitor = {};                  // of the monitor it is on
    std::optional<std::string> awareness = {}; // "unaware", "system", "per_monitor"; none where the system does not tell
    bool owned = false;                        // it has an owner window: a dialog of the program, never its main window
    bool maximized = false;
    int32_t border = 0;                        // its frame's border, which Windows places beyond the work area when maximised
    std::optional<DpiScaling> scaling = {};    // the DPI override of its program file, where a layer sets one (HKCU's first)
};

// Where the point-of-sale program's windows were looked for, and what was found.
struct TillPrograms {
    std::string folder;      // UTF-8, full path
    bool subfolders = true;  // false for a drive's root and the system's own folders: the folder itself only
    std::vector<ProgramWindow> windows;
    std::vector<CompatLayer> layers;
};

class SessionApi {
  public:
    virtual ~SessionApi() = default;
    virtual SessionInfo session() = 0;
    virtual std::vector<DisplayDevice> displays() = 0;
    // The "make text bigger" setting of Windows 10 and later, in percent; none elsewhere.
    virtual std::optional<uint32_t> textScalePercent() = 0;
    // The system's own version, such as 10.0.19045; empty when it cannot be told.
    virtual std::string osVersion() = 0;
    // The primary monitor, in physical pixels; none where the system does not tell it.
    virtual std::optional<MonitorArea> primaryMonitor() = 0;
    // The "Use Windows XP style DPI scaling" box of Windows Vista to 8.1: whether it is
    // ticked; none where it was never set. It is HKCU\Software\Microsoft\Windows\DWM,
    // UseDpiScaling: 0 ticked, any other value unticked (the value that box writes, as
    // deployment scripts set it; docs/SUPPORT.md).
    virtual std::optional<bool> xpStyleScalingTicked() = 0;
    // The visible top-level windows, with a size, neither tool windows nor cloaked, of the
    // programs whose file lies in `folder` (UTF-8, full path) or below it, found by what
    // the file is rather than by how its path is spelled; none of diagreso itself nor of
    // the shell. Below a drive's root or the system's own folders, only the folder itself.
    // Also the windows of processes that refuse to be opened, and the DPI overrides set
    // for the programs of that folder.
    virtual TillPrograms tillProgramsIn(const std::string& folder) = 0;
};

} // namespace diag
