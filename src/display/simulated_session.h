#pragma once
// A session for native runs: its kind, its displays and settings, as a test sets them.
#include "display/session_api.h"

namespace diag {

class SimulatedSession final : public SessionApi {
  public:
    // The console's own session on a visible window station, one 1280 x 1024 display.
    SimulatedSession();
    SessionInfo session() override { return info; }
    std::vector<DisplayDevice> displays() override { return devices; }
    std::optional<uint32_t> textScalePercent() override { return textScale; }
    std::string osVersion() override { return version; }
    std::optional<MonitorArea> primaryMonitor() override { return monitor; }
    std::optional<bool> xpStyleScalingTicked() override { return xpStyle; }
    TillPrograms tillProgramsIn(const std::string& folder) override {
        askedFolder = folder;
        return {folder, subfolders, windows, layers};
    }

    SessionInfo info;
    std::vector<DisplayDevice> devices;
    std::optional<uint32_t> textScale;
    std::string version = "10.0.19045";
    std::optional<MonitorArea> monitor;  // none: the system does not tell it
    std::optional<bool> xpStyle;         // the box: ticked, unticked, never set
    std::vector<ProgramWindow> windows;  // as found in the folder asked
    std::vector<CompatLayer> layers;     // likewise
    bool subfolders = true;
    std::string askedFolder;
};

} // namespace diag
