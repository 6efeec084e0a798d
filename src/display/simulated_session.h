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

    SessionInfo info;
    std::vector<DisplayDevice> devices;
    std::optional<uint32_t> textScale;
    std::string version = "10.0.19045";
};

} // namespace diag
