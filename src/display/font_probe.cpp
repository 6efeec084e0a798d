#include "display/font_api.h"

namespace diag {

bool FontIsLarge(FontApi& api) {
    WindowHandle desktop = api.getDesktopWindow();
    if (desktop == 0) return false;
    DcHandle dc = api.getWindowDC(desktop);
    if (dc == 0) return false;
    int previous = api.setMapMode(dc, MM_TEXT_);
    TextMetrics metrics; // zero-filled: a failed query reads as height 0
    api.getTextMetrics(dc, metrics);
    api.setMapMode(dc, previous);
    api.releaseDC(desktop, dc);
    // 16 pixels is the system font at 96 dpi; any other height counts as enlarged.
    return metrics.tmHeight != 16;
}

} // namespace diag
