#pragma once
// The display and font operations of the real system (Windows builds only).
#include "display/display_api.h"
#include "display/font_api.h"

namespace diag {

class Win32DisplayApi final : public DisplayApi {
  public:
    // A hung top-level window is given up on after this long, so it cannot freeze us.
    explicit Win32DisplayApi(unsigned broadcastTimeoutMs = 5000) : timeoutMs_(broadcastTimeoutMs) {}
    bool enumCurrentSettings(DevModeRecord& record) override;
    bool enumSettings(uint32_t modeNumber, DevModeRecord& record) override;
    int32_t changeSettings(const DevModeRecord& record, uint32_t flags) override;
    int32_t changeToStoredSettings() override;
    void broadcast(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

  private:
    unsigned timeoutMs_;
};

class Win32FontApi final : public FontApi {
  public:
    WindowHandle getDesktopWindow() override;
    DcHandle getWindowDC(WindowHandle window) override;
    int setMapMode(DcHandle dc, int mode) override;
    bool getTextMetrics(DcHandle dc, TextMetrics& metrics) override;
    int logPixelsY(DcHandle dc) override;
    int releaseDC(WindowHandle window, DcHandle dc) override;
};

} // namespace diag
