#include "display/win32_display_api.h"

#include <windows.h>

#include <cstring>

namespace diag {

static_assert(offsetof(DEVMODEA, dmFields) == DevModeRecord::kFieldsOffset);
static_assert(offsetof(DEVMODEA, dmBitsPerPel) == DevModeRecord::kBitsOffset);
static_assert(offsetof(DEVMODEA, dmPelsWidth) == DevModeRecord::kWidthOffset);
static_assert(offsetof(DEVMODEA, dmPelsHeight) == DevModeRecord::kHeightOffset);
static_assert(offsetof(DEVMODEA, dmDisplayFrequency) == DevModeRecord::kFrequencyOffset);
static_assert(sizeof(DEVMODEA) >= DevModeRecord::kSize);

namespace {

bool enumerate(DWORD which, DevModeRecord& record) {
    // The platform gets a full-size record, so it can never write past ours.
    DEVMODEA full{};
    std::memcpy(&full, record.data(), DevModeRecord::kSize);
    BOOL ok = EnumDisplaySettingsA(nullptr, which, &full);
    std::memcpy(record.data(), &full, DevModeRecord::kSize);
    return ok != FALSE;
}

} // namespace

bool Win32DisplayApi::enumCurrentSettings(DevModeRecord& record) {
    return enumerate(static_cast<DWORD>(ENUM_CURRENT_SETTINGS_), record);
}

bool Win32DisplayApi::enumSettings(uint32_t modeNumber, DevModeRecord& record) {
    // A fresh record each time, sized as the platform's full record it is handed in.
    record = DevModeRecord();
    record.setDmSize(sizeof(DEVMODEA));
    return enumerate(modeNumber, record);
}

int32_t Win32DisplayApi::changeSettings(const DevModeRecord& record, uint32_t flags) {
    DEVMODEA full{};
    std::memcpy(&full, record.data(), DevModeRecord::kSize);
    return ChangeDisplaySettingsA(&full, flags);
}

int32_t Win32DisplayApi::changeToStoredSettings() { return ChangeDisplaySettingsA(nullptr, 0); }

void Win32DisplayApi::broadcast(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam, SMTO_BLOCK | SMTO_ABORTIFHUNG, timeoutMs_,
                        &ignored);
}

WindowHandle Win32FontApi::getDesktopWindow() { return reinterpret_cast<WindowHandle>(GetDesktopWindow()); }

DcHandle Win32FontApi::getWindowDC(WindowHandle window) {
    return reinterpret_cast<DcHandle>(GetWindowDC(reinterpret_cast<HWND>(window)));
}

int Win32FontApi::setMapMode(DcHandle dc, int mode) { return SetMapMode(reinterpret_cast<HDC>(dc), mode); }

bool Win32FontApi::getTextMetrics(DcHandle dc, TextMetrics& metrics) {
    TEXTMETRICA tm{};
    BOOL ok = GetTextMetricsA(reinterpret_cast<HDC>(dc), &tm);
    metrics.tmHeight = tm.tmHeight;
    return ok != FALSE;
}

int Win32FontApi::logPixelsY(DcHandle dc) { return GetDeviceCaps(reinterpret_cast<HDC>(dc), LOGPIXELSY); }

int Win32FontApi::releaseDC(WindowHandle window, DcHandle dc) {
    return ReleaseDC(reinterpret_cast<HWND>(window), reinterpret_cast<HDC>(dc));
}

} // namespace diag
