// Stands in for the point-of-sale program: one top-level window, "Caisse de test", at the
// place and outer size its command line gives (x y width height), until it is closed; a
// fifth argument "max" shows it maximised, "full" makes it a frameless window over its
// whole monitor, "tool" a tool window (a palette).
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

LRESULT CALLBACK standInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    int place[4] = {0, 0, 640, 480};
    for (int i = 0; i < 4 && arguments && i + 1 < count; ++i) place[i] = _wtoi(arguments[i + 1]);
    WNDCLASSW type{};
    type.lpfnWndProc = standInProc;
    type.hInstance = instance;
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    type.lpszClassName = L"diagreso.standin";
    RegisterClassW(&type);
    std::wstring how = arguments && count > 5 ? arguments[5] : L"";
    HWND window = CreateWindowExW(how == L"tool" ? WS_EX_TOOLWINDOW : 0, type.lpszClassName, L"Caisse de test",
                                  how == L"full" ? WS_POPUP : WS_OVERLAPPEDWINDOW, place[0], place[1], place[2],
                                  place[3], nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    if (how == L"full") {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& r = monitor.rcMonitor;
        SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    }
    ShowWindow(window, how == L"max" ? SW_SHOWMAXIMIZED : SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
