#include "display/font_api.h"

namespace diag {

std::optional<int32_t> systemFontHeight(FontApi& api) {
    WindowHandle desktop = api.getDesktopWindow();
    if (desktop == 0) return std::nullopt;
    DcHandle dc = api.getWindowDC(desktop);
    if (dc == 0) return std::nullopt;
    int previous = api.setMapMode(dc, MM_TEXT_);
    TextMetrics metrics;
    bool measured = api.getTextMetrics(dc, metrics);
    api.setMapMode(dc, previous);
    api.releaseDC(desktop, dc);
    // A failed query's zeros are no height: no font is 0 pixels high.
    if (!measured) return std::nullopt;
    return metrics.tmHeight;
}

// 16 pixels is the system font at 96 dpi; any other height counts as enlarged.
bool isEnlarged(std::optional<int32_t> height) { return height && *height != 16; }

std::optional<bool> FontIsLarge(FontApi& api) {
    std::optional<int32_t> height = systemFontHeight(api);
    if (!height) return std::nullopt;
    return isEnlarged(height);
}

int systemDpi(FontApi& api) {
    WindowHandle desktop = api.getDesktopWindow();
    if (desktop == 0) return 0;
    DcHandle dc = api.getWindowDC(desktop);
    if (dc == 0) return 0;
    int dpi = api.logPixelsY(dc);
    api.releaseDC(desktop, dc);
    return dpi;
}

} // namespace diag
