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

class SessionApi {
  public:
    virtual ~SessionApi() = default;
    virtual SessionInfo session() = 0;
    virtual std::vector<DisplayDevice> displays() = 0;
    // The "make text bigger" setting of Windows 10 and later, in percent; none elsewhere.
    virtual std::optional<uint32_t> textScalePercent() = 0;
    // The system's own version, such as 10.0.19045; empty when it cannot be told.
    virtual std::string osVersion() = 0;
};

} // namespace diag
