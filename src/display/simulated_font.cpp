#include "display/simulated_font.h"

namespace diag {

namespace {
constexpr WindowHandle kDesktop = 0x10010;
constexpr DcHandle kDc = 0x20020;
} // namespace

WindowHandle SimulatedFont::getDesktopWindow() {
    calls.push_back("GetDesktopWindow");
    return noDesktop ? 0 : kDesktop;
}

DcHandle SimulatedFont::getWindowDC(WindowHandle window) {
    calls.push_back("GetWindowDC");
    if (noDc || window != kDesktop) return 0;
    ++outstandingDcs;
    return kDc;
}

int SimulatedFont::setMapMode(DcHandle dc, int mode) {
    calls.push_back("SetMapMode");
    if (dc != kDc) return 0;
    int previous = mapMode;
    mapMode = mode;
    return previous;
}

bool SimulatedFont::getTextMetrics(DcHandle dc, TextMetrics& metrics) {
    calls.push_back("GetTextMetricsA");
    if (failMetrics || dc != kDc) return false;
    // The height is in logical units: only MM_TEXT gives pixels.
    metrics.tmHeight = mapMode == MM_TEXT_ ? height : height / 2;
    return true;
}

int SimulatedFont::logPixelsY(DcHandle dc) {
    calls.push_back("GetDeviceCaps");
    return dc == kDc ? dpi : 0;
}

int SimulatedFont::releaseDC(WindowHandle window, DcHandle dc) {
    calls.push_back("ReleaseDC");
    if (window != kDesktop || dc != kDc) return 0;
    --outstandingDcs;
    return 1;
}

} // namespace diag
