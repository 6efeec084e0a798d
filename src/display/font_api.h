#pragma once
// The five operations of the font probe, as the program uses them. Handles are opaque
// numbers; 0 is the null handle.
#include <cstdint>

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
    virtual int releaseDC(WindowHandle window, DcHandle dc) = 0;
};

// True when the default font of the desktop window's device context is not 16 pixels
// high, i.e. Windows draws its system text enlarged (or shrunk). No desktop window or
// no device context: false.
bool FontIsLarge(FontApi& api);

} // namespace diag
