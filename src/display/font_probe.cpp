#include "display/font_api.h"

namespace diag {

std::optional<int32_t> systemFontHeight(FontApi& api) {
    WindowHandle desktop = api.getDesktopWindow();
    if (desktop == 0) return std::nullopt;
    DcHandle dc = api.getWindowDC(desktop);
    if (dc == 0) return std::nullopt;
    int previous = api.setMapMode(dc, MM_TEXT_);
    TextMetrics metrics; // zero-filled: a failed query reads as height 0
    api.getTextMetrics(dc, metrics);
    api.setMapMode(dc, previous);
    api.releaseDC(desktop, dc);
    return metrics.tmHeight;
}

// 16 pixels is the system font at 96 dpi; any other height counts as enlarged.
bool isEnlarged(std::optional<int32_t> height) { return height && *height != 16; }

bool FontIsLarge(FontApi& api) { return isEnlarged(systemFontHeight(api)); }

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
