// Stands in for a program that someone starts: appends where it runs from, the command
// line it was given and the window state it was asked for, tab-separated, to the file
// named by DIAGRESO_RECORDER_LOG.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t log[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"DIAGRESO_RECORDER_LOG", log, MAX_PATH)) return 2;
    STARTUPINFOW si{};
    GetStartupInfoW(&si);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CharLowerW(self);
    std::wstring line = std::wstring(self) + L"\t" + GetCommandLineW();
    line += L"\t" + std::to_wstring((si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1) + L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), n, nullptr, nullptr);
    HANDLE f = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(f);
    return 0;
}
