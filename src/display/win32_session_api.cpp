#include "display/win32_session_api.h"

#include "app/win32_handles.h"
#include "app/win32_wide.h"

#include <windows.h>

#include <cstdio>
#include <exception>

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
using WindowDpiContext = HANDLE(WINAPI*)(HWND);
using AwarenessOf = int(WINAPI*)(HANDLE);
using DwmAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)); // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE
constexpr int kEffectiveDpi = 0;                                                   // MDT_EFFECTIVE_DPI
constexpr DWORD kExtendedFrameBounds = 9;                                          // DWMWA_EXTENDED_FRAME_BOUNDS

template <class F> F user32(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

template <class F> F from(const UniqueModule& module, const char* name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module.get(), name))) : nullptr;
}

// From the system folder only, never from the point-of-sale folder.
UniqueModule systemDll(const wchar_t* name) {
    return UniqueModule(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

// A per-monitor awareness for this thread while it lives, so that rectangles and densities
// read in it are physical pixels, whatever the density of the session: a system-aware
// program is otherwise told them scaled by the density at sign-in. The program's own
// awareness does not change. Nothing where the system cannot (before Windows 10 1607).
class PhysicalPixels {
  public:
    PhysicalPixels() : set_(user32<SetDpiContext>("SetThreadDpiAwarenessContext")) {
        if (set_) previous_ = set_(kPerMonitorAware);
    }
    ~PhysicalPixels() {
        if (previous_) set_(previous_);
    }
    PhysicalPixels(const PhysicalPixels&) = delete;
    PhysicalPixels& operator=(const PhysicalPixels&) = delete;
    explicit operator bool() const { return previous_ != nullptr; }

  private:
    SetDpiContext set_;
    HANDLE previous_ = nullptr;
};

ScreenRect rectOf(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

std::optional<MonitorArea> areaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) return std::nullopt;
    return MonitorArea{rectOf(info.rcMonitor), rectOf(info.rcWork)};
}

std::optional<uint32_t> userDword(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

// The effective density of one display, where the system tells it.
std::optional<uint32_t> densityOf(GetDpiForMonitorFn getDpi, const wchar_t* device, POINT topLeft) {
    HMONITOR monitor = getDpi ? MonitorFromPoint(topLeft, MONITOR_DEFAULTTONULL) : nullptr;
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    UINT x = 0, y = 0;
    if (monitor && GetMonitorInfoW(monitor, &info) && std::wstring_view(device) == info.szDevice &&
        getDpi(monitor, kEffectiveDpi, &x, &y) == S_OK)
        return y;
    return std::nullopt;
}

// What the search for other programs' windows needs, for EnumWindows' callback. Every
// call reads: nothing is sent or written to another process (GetWindowTextW reads
// another process's caption without a message, so a hung program cannot hold us).
struct WindowSearch {
    std::wstring folder; // full, with its final backslash
    DWORD self = GetCurrentProcessId();
    WindowDpiContext contextOf = user32<WindowDpiContext>("GetWindowDpiAwarenessContext");
    AwarenessOf awarenessOf = user32<AwarenessOf>("GetAwarenessFromDpiAwarenessContext");
    UniqueModule dwm = systemDll(L"dwmapi.dll");
    DwmAttribute attribute = from<DwmAttribute>(dwm, "DwmGetWindowAttribute");
    std::vector<ProgramWindow> found;
    std::exception_ptr failure;
};

void noteProgramWindow(WindowSearch& search, HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    // A minimised window is nowhere on the screen.
    if (pid == search.self || !IsWindowVisible(window) || IsIconic(window)) return;
    ProgramWindow found;
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[1024];
    DWORD size = 1024;
    if (process && QueryFullProcessImageNameW(process.get(), 0, path, &size)) {
        auto length = static_cast<int>(search.folder.size());
        if (static_cast<int>(size) <= length ||
            CompareStringOrdinal(path, length, search.folder.c_str(), length, TRUE) != CSTR_EQUAL)
            return;
        found.program = narrow(std::wstring_view(path, size).substr(std::wstring_view(path, size).rfind(L'\\') + 1));
    }
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    found.title = narrow(title);
    // The frame as drawn: the window's rectangle also holds the invisible resizing borders
    // of Windows 10 and later, which stand out of a window that fills the work area.
    RECT r{};
    if (!search.attribute || search.attribute(window, kExtendedFrameBounds, &r, sizeof r) != S_OK)
        GetWindowRect(window, &r);
    found.rect = rectOf(r);
    if (auto monitor = areaOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST))) found.monitor = *monitor;
    if (search.contextOf && search.awarenessOf) {
        static constexpr const char* kAwareness[] = {"unaware", "system", "per_monitor"};
        int awareness = search.awarenessOf(search.contextOf(window));
        if (awareness >= 0 && awareness <= 2) found.awareness = kAwareness[awareness];
    }
    search.found.push_back(std::move(found));
}

// No exception may cross the system's frames of EnumWindows: it is carried over them.
BOOL CALLBACK noteEach(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    try {
        noteProgramWindow(search, window);
        return TRUE;
    } catch (...) {
        search.failure = std::current_exception();
        return FALSE;
    }
}

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
    // The effective density of each display, asked per monitor: a system-aware program is
    // told the density of the session instead.
    PhysicalPixels physical;
    UniqueModule shcore = physical ? systemDll(L"shcore.dll") : UniqueModule();
    auto getDpi = from<GetDpiForMonitorFn>(shcore, "GetDpiForMonitor");
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
                         densityOf(getDpi, device.DeviceName, topLeft)});
    }
    return found;
}

std::optional<uint32_t> Win32SessionApi::textScalePercent() {
    return userDword(L"Software\\Microsoft\\Accessibility", L"TextScaleFactor");
}

std::optional<uint32_t> Win32SessionApi::xpStyleScalingOff() {
    return userDword(L"Software\\Microsoft\\Windows\\DWM", L"UseDpiScaling");
}

std::optional<MonitorArea> Win32SessionApi::primaryMonitor() {
    PhysicalPixels physical;
    return areaOf(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

std::vector<ProgramWindow> Win32SessionApi::programWindowsIn(const std::string& folder) {
    WindowSearch search;
    // The long form, as a program's file is named, of a folder reached by its short one.
    std::wstring given = widen(folder);
    wchar_t full[1024];
    DWORD length = GetLongPathNameW(given.c_str(), full, 1024);
    search.folder = length && length < 1024 ? std::wstring(full, length) : given;
    if (!search.folder.ends_with(L'\\')) search.folder += L'\\';
    PhysicalPixels physical;
    EnumWindows(&noteEach, reinterpret_cast<LPARAM>(&search));
    if (search.failure) std::rethrow_exception(search.failure);
    return std::move(search.found);
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
