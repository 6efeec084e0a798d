#pragma once
// The operations of the font probe, as the program uses them. Handles are opaque
// numbers; 0 is the null handle.
#include <cstdint>
#include <optional>

namespace diag {

using WindowHandle = uintptr_t;
using DcHandle = uintptr_t;
constexpr int MM_TEXT_ = 1;

struct TextMetrics {
    int32_t tmHeight = 0; // the only field the probe reads; zero when the query fails
};

class FontApi {
  public:
    virtual ~FontApi() = default;
    virtual WindowHandle getDesktopWindow() = 0;
    virtual DcHandle getWindowDC(WindowHandle window) = 0;
    virtual int setMapMode(DcHandle dc, int mode) = 0; // the previous mode
    virtual bool getTextMetrics(DcHandle dc, TextMetrics& metrics) = 0;
    virtual int logPixelsY(DcHandle dc) = 0; // GetDeviceCaps(dc, LOGPIXELSY)
    virtual int releaseDC(WindowHandle window, DcHandle dc) = 0;
};

// True when the default font of the desktop window's device context is not 16 pixels
// high, i.e. Windows draws its system text enlarged (or shrunk). None when nothing was
// measured (no desktop window, no device context, a failed metrics query): unknown.
std::optional<bool> FontIsLarge(FontApi& api);

// The probe of FontIsLarge, call for call: the height in pixels it measures; none when
// nothing was measured.
std::optional<int32_t> systemFontHeight(FontApi& api);
// FontIsLarge's answer for what the probe measured; false when nothing was.
bool isEnlarged(std::optional<int32_t> height);

// The system's logical pixels per inch, read on the desktop window's context; 0 without one.
int systemDpi(FontApi& api);

} // namespace diag
