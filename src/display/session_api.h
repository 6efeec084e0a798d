#pragma once
// Where the program runs and what that session sees: whether the display it reads and
// changes is the till's own screen, or a remote session's, or none at all (a service, a
// task run whether or not anyone is logged on).
#include <cstdint>
#include <optional>
#include <string>
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

// A visible top-level window of another program, read without writing to its process.
struct ProgramWindow {
    std::optional<std::string> program;   // its program file's name; none where its process refused to be opened
    std::string title;                    // UTF-8
    ScreenRect rect;                      // as the program sees it, in physical pixels
    MonitorArea monitor;                  // of the monitor it is on
    std::optional<std::string> awareness; // "unaware", "system", "per_monitor"; none where the system does not tell
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
    // HKCU\Software\Microsoft\Windows\DWM, UseDpiScaling: the "Use Windows XP style DPI
    // scaling" box of Windows Vista to 8.1, 0 where ticked, 1 where not; none where unset
    // (the value that box writes, as deployment scripts set it; docs/SUPPORT.md).
    virtual std::optional<uint32_t> xpStyleScalingOff() = 0;
    // The visible top-level windows of other processes whose program file lies in `folder`
    // (UTF-8, full path) or below it, and those of processes that refuse to be opened.
    virtual std::vector<ProgramWindow> programWindowsIn(const std::string& folder) = 0;
};

} // namespace diag
