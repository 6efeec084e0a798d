// The floor the benchmarks compare against: one empty top-level window of the main
// window's client size, and a modal window opened by a click in it. Plain Win32, no
// toolkit, built with the same toolchain and flags as the program.
//
// The two windows paint nothing themselves: their class brushes fill them, so the
// driver can recognise "painted" by a colour, as it does for the program.
#include <windows.h>

namespace {

constexpr int kClientWidth = 1434, kClientHeight = 828;   // the main window's client size
constexpr int kModalWidth = 368, kModalHeight = 333;      // the confirmation dialog's size
constexpr COLORREF kMainColour = RGB(255, 224, 192);      // what the driver probes in the main window
constexpr COLORREF kModalColour = RGB(45, 178, 59);       // and in the modal one

HINSTANCE gInstance;
HWND gMain;
bool gModalOpen = false;

LRESULT CALLBACK modalProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONUP) {
        // Enabled again before the modal window goes, or the focus leaves the program.
        EnableWindow(gMain, TRUE);
        DestroyWindow(h);
        return 0;
    }
    if (msg == WM_DESTROY) {
        gModalOpen = false;
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

void showModal() {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    HWND modal = CreateWindowExW(0, L"bench.modal", L"Modal", WS_POPUP | WS_BORDER, (sw - kModalWidth) / 2,
                                 (sh - kModalHeight) / 2, kModalWidth, kModalHeight, nullptr, nullptr, gInstance,
                                 nullptr);
    EnableWindow(gMain, FALSE);
    ShowWindow(modal, SW_SHOW);
    UpdateWindow(modal);
    gModalOpen = true;
    // Its own loop, as a modal show has: returns when the window is gone.
    MSG m;
    while (gModalOpen && GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    EnableWindow(gMain, TRUE);
}

LRESULT CALLBACK mainProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETMINMAXINFO: {
        // The window is wider than a 1280-pixel screen and must keep its size.
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMaxTrackSize.x = mm->ptMaxSize.x = 4096;
        mm->ptMaxTrackSize.y = mm->ptMaxSize.y = 4096;
        return 0;
    }
    case WM_LBUTTONUP:
        if (!gModalOpen) showModal();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

void registerClass(const wchar_t* name, WNDPROC proc, COLORREF colour) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = gInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(colour);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    gInstance = instance;
    registerClass(L"bench.bare", &mainProc, kMainColour);
    registerClass(L"bench.modal", &modalProc, kModalColour);
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    int w = r.right - r.left, h = r.bottom - r.top;
    gMain = CreateWindowExW(0, L"bench.bare", L"Bare", style, 0, 0, w, h, nullptr, nullptr, instance, nullptr);
    // The system shrank it to the screen at creation; sized again, as the program does.
    SetWindowPos(gMain, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(gMain, SW_SHOW);
    UpdateWindow(gMain);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
