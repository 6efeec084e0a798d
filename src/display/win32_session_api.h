#pragma once
// The session, displays and settings of the real system (Windows builds only). What
// Windows 7 lacks (per-display density, the text size setting, a window's awareness) is looked
// up at run time.
#include "display/session_api.h"

namespace diag {

class Win32SessionApi final : public SessionApi {
  public:
    SessionInfo session() override;
    std::vector<DisplayDevice> displays() override;
    std::optional<uint32_t> textScalePercent() override;
    std::string osVersion() override;
    std::optional<MonitorArea> primaryMonitor() override;
    std::optional<bool> xpStyleScalingTicked() override;
    TillPrograms tillProgramsIn(const std::string& folder) override;
};

} // namespace diag
