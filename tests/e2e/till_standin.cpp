// Stands in for the point-of-sale program: one top-level window, "Caisse de test", at the
// place and outer size its command line gives (x y width height), until it is closed.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

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
    if (!CreateWindowExW(0, type.lpszClassName, L"Caisse de test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, place[0],
                         place[1], place[2], place[3], nullptr, nullptr, instance, nullptr))
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
