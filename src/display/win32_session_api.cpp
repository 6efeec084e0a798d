#include "display/win32_session_api.h"

#include "app/win32_handles.h"
#include "app/win32_wide.h"

#include <windows.h>

#include <cstdio>

namespace diag {

namespace {

std::string objectName(HANDLE object) {
    wchar_t name[256] = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(object, UOI_NAME, name, sizeof name - sizeof name[0], &needed)) return {};
    return narrow(name);
}

bool visibleStation(HWINSTA station) {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    return GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed) &&
           (flags.dwFlags & WSF_VISIBLE);
}

// DOMAIN\name of the account the process runs as, from its token.
std::string accountName() {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    alignas(TOKEN_USER) unsigned char buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size)) return {};
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameSize, domain,
                           &domainSize, &use))
        return {};
    return narrow(domain) + "\\" + narrow(name);
}

// Looked up at run time: Windows 10 1607 and later, and Windows 8.1 and later.
using SetDpiContext = HANDLE(WINAPI*)(HANDLE);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)); // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE
constexpr int kEffectiveDpi = 0;                                                   // MDT_EFFECTIVE_DPI

// The effective density of one display, asked in a per-monitor awareness context set for
// that query only: a system-aware program is told the system's density instead.
class DensityQuery {
  public:
    DensityQuery() {
        setContext_ = reinterpret_cast<SetDpiContext>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
        // From the system folder only, never from the point-of-sale folder.
        if (setContext_) shcore_.reset(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (shcore_)
            getDpi_ = reinterpret_cast<GetDpiForMonitorFn>(
                reinterpret_cast<void*>(GetProcAddress(shcore_.get(), "GetDpiForMonitor")));
    }

    std::optional<uint32_t> of(const std::wstring& device, POINT topLeft) {
        if (!getDpi_) return std::nullopt;
        HANDLE previous = setContext_(kPerMonitorAware);
        if (!previous) return std::nullopt;
        std::optional<uint32_t> dpi;
        HMONITOR monitor = MonitorFromPoint(topLeft, MONITOR_DEFAULTTONULL);
        MONITORINFOEXW info{};
        info.cbSize = sizeof info;
        UINT x = 0, y = 0;
        if (monitor && GetMonitorInfoW(monitor, &info) && device == info.szDevice &&
            getDpi_(monitor, kEffectiveDpi, &x, &y) == S_OK)
            dpi = y;
        setContext_(previous);
        return dpi;
    }

  private:
    SetDpiContext setContext_ = nullptr;
    UniqueModule shcore_;
    GetDpiForMonitorFn getDpi_ = nullptr;
};

} // namespace

SessionInfo Win32SessionApi::session() {
    SessionInfo info;
    DWORD id = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &id)) info.id = id;
    DWORD console = WTSGetActiveConsoleSessionId();
    if (console != 0xFFFFFFFF) info.consoleId = console; // none while the console is switched over
    HWINSTA station = GetProcessWindowStation();
    info.windowStation = station ? objectName(station) : std::string();
    info.visible = station && visibleStation(station);
    info.remote = GetSystemMetrics(SM_REMOTESESSION) != 0;
    info.user = accountName();
    return info;
}

std::vector<DisplayDevice> Win32SessionApi::displays() {
    std::vector<DisplayDevice> found;
    DensityQuery density;
    for (DWORD n = 0;; ++n) {
        DISPLAY_DEVICEW device{};
        device.cb = sizeof device;
        if (!EnumDisplayDevicesW(nullptr, n, &device, 0)) break;
        if (!(device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)) continue;
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsExW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode, 0)) continue;
        POINT topLeft{mode.dmPosition.x, mode.dmPosition.y};
        found.push_back({narrow(device.DeviceName), (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0,
                         mode.dmPosition.x, mode.dmPosition.y, static_cast<int32_t>(mode.dmPelsWidth),
                         static_cast<int32_t>(mode.dmPelsHeight), mode.dmBitsPerPel, mode.dmDisplayFrequency,
                         density.of(device.DeviceName, topLeft)});
    }
    return found;
}

std::optional<uint32_t> Win32SessionApi::textScalePercent() {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Accessibility", L"TextScaleFactor",
                     RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::string Win32SessionApi::osVersion() {
    // The version the system itself says: GetVersionEx answers what the manifest declares.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!rtlGetVersion || rtlGetVersion(&version) != 0) return {};
    char text[48];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                  version.dwBuildNumber);
    return text;
}

} // namespace diag
