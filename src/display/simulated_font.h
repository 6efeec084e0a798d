#pragma once
// A font probe target for native runs: a desktop whose default font has a given
// height, with null handles and a failing metrics query on request. It records the
// calls, the mapping mode of its one context, and whether that context is released.
#include "display/font_api.h"

#include <string>
#include <vector>

namespace diag {

class SimulatedFont final : public FontApi {
  public:
    explicit SimulatedFont(int32_t fontHeight = 16) : height(fontHeight) {}

    WindowHandle getDesktopWindow() override;
    DcHandle getWindowDC(WindowHandle window) override;
    int setMapMode(DcHandle dc, int mode) override;
    bool getTextMetrics(DcHandle dc, TextMetrics& metrics) override;
    int logPixelsY(DcHandle dc) override;
    int releaseDC(WindowHandle window, DcHandle dc) override;

    int32_t height; // of the desktop's default font, in pixels
    int dpi = 96;
    bool noDesktop = false, noDc = false, failMetrics = false;
    int mapMode = 7; // MM_ISOTROPIC: anything but MM_TEXT, so a probe that forgets to restore shows
    std::vector<std::string> calls;
    int outstandingDcs = 0;
};

} // namespace diag
