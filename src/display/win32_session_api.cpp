#include "display/win32_session_api.h"

#include "app/win32_handles.h"
#include "app/win32_wide.h"

#include <windows.h>

#include <algorithm>
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
constexpr DWORD kCloaked = 14;                                                     // DWMWA_CLOAKED

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

// What a file is, whatever path reaches it (another letter case, an 8.3 name, a drive
// letter mapped onto a folder, a junction, a share of it): "you can compare the
// VolumeSerialNumber and FileIndex members returned in the BY_HANDLE_FILE_INFORMATION
// structure to determine if two paths map to the same target" (Microsoft's documentation
// of GetFileInformationByHandle). A 128-bit ReFS identifier is not needed: tills use NTFS.
struct FileIdentity {
    DWORD volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::wstring& path) {
    // Only the attributes: a file or folder another program holds open is still read.
    HANDLE opened = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::nullopt;
    UniqueKernelHandle file(opened);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// How long the root of a path is, its final backslash included: C:\, \\server\share\,
// \\?\C:\, \\?\UNC\server\share\; 0 for a path with none of these.
size_t rootLength(std::wstring_view path) {
    size_t prefix = path.starts_with(L"\\\\?\\UNC\\") ? 8 : path.starts_with(L"\\\\?\\") ? 4 : path.starts_with(L"\\\\") ? 2 : 0;
    if ((prefix == 0 || prefix == 4) && path.size() >= prefix + 3 && path[prefix + 1] == L':' && path[prefix + 2] == L'\\')
        return prefix + 3;
    if (prefix != 2 && prefix != 8) return 0;
    size_t server = path.find(L'\\', prefix);
    size_t share = server == std::wstring_view::npos ? server : path.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? 0 : share + 1;
}

// The folder a file lies in; a root keeps its backslash. Empty for a root itself.
std::wstring parentOf(const std::wstring& path) {
    size_t root = rootLength(path), end = path.find_last_of(L'\\');
    if (root == 0 || path.size() <= root || end == std::wstring::npos || end + 1 < root) return {};
    return path.substr(0, std::max(end, root));
}

std::wstring withBackslash(std::wstring path) {
    if (!path.ends_with(L'\\')) path += L'\\';
    return path;
}

std::wstring systemFolder(UINT (WINAPI* get)(LPWSTR, UINT)) {
    wchar_t folder[MAX_PATH];
    UINT length = get(folder, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// The process of a window, once per process: what the search makes of it.
struct ProcessFound {
    enum class Kind { Refused, NotTheTills, Till } kind = Kind::NotTheTills;
    std::string name;                      // Till: its program file's name
    std::optional<FileIdentity> identity;  // Till: its program file's
};

using GetVersionInfoSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetVersionInfo = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryVersionValue = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// What the search for the till's windows needs, for EnumWindows' callback. Every call
// reads: nothing is sent or written to another process (GetWindowTextW reads another
// process's caption without a message, so a hung program cannot hold us).
struct WindowSearch {
    std::wstring folder; // as searched, with its final backslash
    FileIdentity searched;
    bool subfolders = true;
    DWORD self = GetCurrentProcessId();
    std::vector<DWORD> shell; // the processes of the desktop and the taskbar
    std::vector<FileIdentity> systemFolders;
    WindowDpiContext contextOf = user32<WindowDpiContext>("GetWindowDpiAwarenessContext");
    AwarenessOf awarenessOf = user32<AwarenessOf>("GetAwarenessFromDpiAwarenessContext");
    UniqueModule dwm = systemDll(L"dwmapi.dll");
    DwmAttribute attribute = from<DwmAttribute>(dwm, "DwmGetWindowAttribute");
    UniqueModule version = systemDll(L"version.dll");
    GetVersionInfoSize versionSize = from<GetVersionInfoSize>(version, "GetFileVersionInfoSizeW");
    GetVersionInfo versionInfo = from<GetVersionInfo>(version, "GetFileVersionInfoW");
    QueryVersionValue versionValue = from<QueryVersionValue>(version, "VerQueryValueW");
    std::vector<std::pair<std::wstring, std::optional<FileIdentity>>> folders; // identities already read
    std::vector<std::pair<DWORD, ProcessFound>> processes;
    std::vector<std::pair<size_t, FileIdentity>> windowFiles; // which window came from which file
    std::vector<ProgramWindow> found;
    std::exception_ptr failure;

    std::optional<FileIdentity> identityOfFolder(const std::wstring& path) {
        for (const auto& [known, identity] : folders)
            if (known == path) return identity;
        return folders.emplace_back(path, identityOf(path)).second;
    }

    // Whether the file `path` lies in the folder searched: directly, or below it where the
    // search takes the subfolders. Each folder on its way up is compared by what it is.
    bool holds(const std::wstring& path) {
        for (std::wstring parent = parentOf(path); !parent.empty(); parent = parentOf(parent)) {
            if (identityOfFolder(parent) == searched) return true;
            if (!subfolders) return false;
        }
        return false;
    }

    // diagreso itself, whatever its file's name or folder: its version resource says so.
    bool isDiagreso(const std::wstring& path) const {
        if (!versionSize || !versionInfo || !versionValue) return false;
        DWORD ignored = 0, size = versionSize(path.c_str(), &ignored);
        if (size == 0 || size > 1 << 20) return false;
        std::vector<unsigned char> block(size);
        WORD* language = nullptr;
        UINT length = 0;
        if (!versionInfo(path.c_str(), 0, size, block.data()) ||
            !versionValue(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&language), &length) ||
            length < 2 * sizeof(WORD))
            return false;
        std::wstring query = L"\\StringFileInfo\\";
        for (WORD part : {language[0], language[1]})
            for (int shift = 12; shift >= 0; shift -= 4) query += L"0123456789abcdef"[(part >> shift) & 0xF];
        query += L"\\InternalName";
        wchar_t* name = nullptr;
        return versionValue(block.data(), query.c_str(), reinterpret_cast<void**>(&name), &length) && length > 0 &&
               std::wstring_view(name) == L"diagreso";
    }

    bool isShell(DWORD pid, const std::wstring& path) {
        if (std::find(shell.begin(), shell.end(), pid) != shell.end()) return true;
        // The shell's own program, also where no desktop window names it.
        size_t leaf = path.find_last_of(L'\\');
        if (leaf == std::wstring::npos ||
            CompareStringOrdinal(path.c_str() + leaf + 1, -1, L"explorer.exe", -1, TRUE) != CSTR_EQUAL)
            return false;
        auto in = identityOfFolder(parentOf(path));
        return in && std::find(systemFolders.begin(), systemFolders.end(), *in) != systemFolders.end();
    }

    const ProcessFound& process(DWORD pid) {
        for (const auto& [known, kind] : processes)
            if (known == pid) return kind;
        ProcessFound process;
        UniqueKernelHandle opened(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        std::wstring path(1024, L'\0');
        DWORD size = static_cast<DWORD>(path.size());
        if (!opened || !QueryFullProcessImageNameW(opened.get(), 0, path.data(), &size)) {
            process.kind = ProcessFound::Kind::Refused;
        } else {
            path.resize(size);
            if (holds(path) && !isShell(pid, path) && !isDiagreso(path)) {
                process.kind = ProcessFound::Kind::Till;
                process.name = narrow(std::wstring_view(path).substr(path.find_last_of(L'\\') + 1));
                process.identity = identityOf(path);
            }
        }
        return processes.emplace_back(pid, std::move(process)).second;
    }
};

// The whole caption, however long: GetWindowTextW cuts it to the buffer it is given.
std::string titleOf(HWND window) {
    std::wstring title(256, L'\0');
    for (;;) {
        int length = GetWindowTextW(window, title.data(), static_cast<int>(title.size()));
        if (length < static_cast<int>(title.size()) - 1 || title.size() >= (1u << 24)) {
            title.resize(static_cast<size_t>(std::max(length, 0)));
            return narrow(title);
        }
        title.assign(title.size() * 2, L'\0');
    }
}

void noteProgramWindow(WindowSearch& search, HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    // A minimised window is nowhere on the screen; a tool window (a palette, a floating
    // bar) is never a program's main window.
    if (pid == search.self || !IsWindowVisible(window) || IsIconic(window) ||
        (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
        return;
    // The frame as drawn: the window's rectangle also holds the invisible resizing borders
    // of Windows 10 and later, which stand out of a window that fills the work area.
    RECT r{};
    if (!search.attribute || search.attribute(window, kExtendedFrameBounds, &r, sizeof r) != S_OK)
        GetWindowRect(window, &r);
    DWORD cloaked = 0; // hidden by the system (another virtual desktop, a suspended app)
    if (r.right <= r.left || r.bottom <= r.top ||
        (search.attribute && search.attribute(window, kCloaked, &cloaked, sizeof cloaked) == S_OK && cloaked))
        return;
    const ProcessFound& process = search.process(pid);
    if (process.kind == ProcessFound::Kind::NotTheTills) return;
    ProgramWindow found;
    found.rect = rectOf(r);
    if (process.kind == ProcessFound::Kind::Till) {
        found.program = process.name;
        // A title of a program that would not say which it is could be anyone's document.
        found.title = titleOf(window);
        if (process.identity) search.windowFiles.emplace_back(search.found.size(), *process.identity);
    }
    if (auto monitor = areaOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST))) found.monitor = *monitor;
    if (search.contextOf && search.awarenessOf) {
        static constexpr const char* kAwareness[] = {"unaware", "system", "per_monitor"};
        int awareness = search.awarenessOf(search.contextOf(window));
        if (awareness >= 0 && awareness <= 2) found.awareness = kAwareness[awareness];
    }
    found.owned = GetWindow(window, GW_OWNER) != nullptr;
    found.maximized = IsZoomed(window) != FALSE;
    // The client area and the border as the window's rectangle and client area show them,
    // both read at once in this thread's awareness (a border counted in the program's own
    // pixels would be short where Windows enlarges it). The smaller of the left and bottom
    // gaps: a scroll bar may widen one of them.
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    if (GetWindowInfo(window, &info)) {
        found.client = rectOf(info.rcClient);
        found.border = static_cast<int32_t>(
            std::max(0L, std::min(info.rcClient.left - info.rcWindow.left, info.rcWindow.bottom - info.rcClient.bottom)));
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

bool onRemoteDrive(const std::wstring& path) {
    size_t root = rootLength(path);
    if (root == 0) return false;
    if (path[root - 2] != L':') return true; // a share
    return GetDriveTypeW(path.substr(0, root).c_str()) == DRIVE_REMOTE;
}

// The DPI overrides set in one hive for the programs of the folder searched, HKCU's before
// HKLM's: the user's own choice is the one the compatibility tab shows first. A value
// naming a file on a network drive is read only where the folder is on one too, so that a
// share out of reach cannot hold the search.
void readLayers(WindowSearch& search, HKEY hive, const char* hiveName, std::vector<CompatLayer>& layers,
                std::vector<std::pair<FileIdentity, DpiScaling>>& scalings) {
    UniqueRegistryKey key;
    if (RegOpenKeyExW(hive, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS)
        return;
    DWORD longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    bool folderRemote = onRemoteDrive(search.folder);
    std::wstring name(longestName + 1, L'\0');
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    for (DWORD n = 0;; ++n) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        LONG read = RegEnumValueW(key.get(), n, name.data(), &nameLength, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (read == ERROR_NO_MORE_ITEMS) break;
        if (read != ERROR_SUCCESS || type != REG_SZ) continue;
        std::wstring path(name.data(), nameLength);
        std::wstring value(data.data(), dataSize / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0') value.pop_back();
        std::string layersText = narrow(value);
        std::optional<DpiScaling> scaling = dpiScalingOf(layersText);
        if (!scaling || (onRemoteDrive(path) && !folderRemote) || !search.holds(path)) continue;
        std::optional<FileIdentity> file = identityOf(path);
        if (!file) continue;
        layers.push_back({narrow(std::wstring_view(path).substr(path.find_last_of(L'\\') + 1)), narrow(path), hiveName,
                          layersText, *scaling});
        auto known = std::find_if(scalings.begin(), scalings.end(), [&](const auto& s) { return s.first == *file; });
        if (known == scalings.end()) scalings.emplace_back(*file, *scaling);
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

std::optional<bool> Win32SessionApi::xpStyleScalingTicked() {
    std::optional<uint32_t> scaling = userDword(L"Software\\Microsoft\\Windows\\DWM", L"UseDpiScaling");
    if (!scaling) return std::nullopt;
    return *scaling == 0;
}

std::optional<MonitorArea> Win32SessionApi::primaryMonitor() {
    PhysicalPixels physical;
    return areaOf(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

TillPrograms Win32SessionApi::tillProgramsIn(const std::string& folder) {
    WindowSearch search;
    search.folder = withBackslash(widen(folder));
    TillPrograms till;
    std::wstring shown = search.folder;
    if (shown.size() > rootLength(shown)) shown.pop_back();
    till.folder = narrow(shown);
    std::optional<FileIdentity> identity = identityOf(search.folder);
    if (!identity) return till; // a folder that cannot be read holds nothing to find
    search.searched = *identity;
    for (auto get : {&GetWindowsDirectoryW, &GetSystemDirectoryW, &GetSystemWow64DirectoryW}) {
        std::wstring system = systemFolder(get);
        if (auto known = system.empty() ? std::nullopt : identityOf(withBackslash(system)))
            search.systemFolders.push_back(*known);
    }
    // From a volume's root or a system folder (where a task with no start folder starts),
    // the whole tree would take any program for the till's: the folder itself only.
    wchar_t volume[64];
    search.subfolders = !GetVolumeNameForVolumeMountPointW(search.folder.c_str(), volume, 64) &&
                        std::find(search.systemFolders.begin(), search.systemFolders.end(), *identity) ==
                            search.systemFolders.end();
    till.subfolders = search.subfolders;
    for (HWND shell : {GetShellWindow(), FindWindowW(L"Shell_TrayWnd", nullptr), FindWindowW(L"Progman", nullptr)}) {
        DWORD pid = 0;
        if (shell && GetWindowThreadProcessId(shell, &pid)) search.shell.push_back(pid);
    }
    PhysicalPixels physical;
    EnumWindows(&noteEach, reinterpret_cast<LPARAM>(&search));
    if (search.failure) std::rethrow_exception(search.failure);
    std::vector<std::pair<FileIdentity, DpiScaling>> scalings;
    readLayers(search, HKEY_CURRENT_USER, "HKCU", till.layers, scalings);
    readLayers(search, HKEY_LOCAL_MACHINE, "HKLM", till.layers, scalings);
    for (const auto& [window, file] : search.windowFiles)
        for (const auto& [layered, scaling] : scalings)
            if (layered == file) search.found[window].scaling = scaling;
    till.windows = std::move(search.found);
    return till;
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
