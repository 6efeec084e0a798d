#include "win_test_support.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <objbase.h>

namespace diag::wintest {

namespace {
// Pictures are decoded through COM, as in the program, which initialises it first. A
// dialog takes no press sooner than the double-click time after it appears: this run's
// prefix gets a short one, and the tests answer after it.
class ProgramEnvironment : public testing::Environment {
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        SetDoubleClickTime(kDoubleClickMs);
    }
};
const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new ProgramEnvironment);
} // namespace


namespace {
constexpr wchar_t kListenerClass[] = L"diag_win_tests_listener";
}

BroadcastListener::BroadcastListener() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &BroadcastListener::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kListenerClass;
    RegisterClassW(&wc); // a second registration fails harmlessly
    window_ = CreateWindowExW(0, kListenerClass, L"diag_win_tests", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, wc.hInstance, this);
    if (!window_) throw std::runtime_error("CreateWindowExW failed");
}

BroadcastListener::~BroadcastListener() {
    if (window_) DestroyWindow(window_);
    pump();
}

void BroadcastListener::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int BroadcastListener::count(UINT message) const {
    int n = 0;
    for (const Received& r : log) n += r.message == message;
    return n;
}

LRESULT CALLBACK BroadcastListener::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<BroadcastListener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self) {
        bool watched = false;
        for (UINT m : self->watched_) watched = watched || m == message;
        if (message == WM_DISPLAYCHANGE || message == WM_DEVMODECHANGE || watched) {
            Received r{message, wParam, lParam, {}};
            if (message == WM_DEVMODECHANGE && lParam) r.text = reinterpret_cast<const wchar_t*>(lParam);
            self->log.push_back(r);
        } else if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TempCurrentDirectory::TempCurrentDirectory() {
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, buf);
    previous_.assign(buf, n);
    n = GetTempPathW(MAX_PATH + 1, buf);
    std::wstring base(buf, n);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (unsigned i = 0;; ++i) {
        path_ = base + L"\\diag_win_tests_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(i);
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS || i > 1000)
            throw std::runtime_error("cannot make a temporary folder");
    }
    if (!SetCurrentDirectoryW(path_.c_str())) throw std::runtime_error("SetCurrentDirectoryW failed");
}

TempCurrentDirectory::~TempCurrentDirectory() {
    SetCurrentDirectoryW(previous_.c_str());
    // One level deep is all the tests make.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = path_ + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(full.c_str());
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

namespace {
// One action armed at a time: a timer left from an earlier one must not take a later one.
std::function<void()> g_whileOpen;
UINT_PTR g_timer = 0;
void CALLBACK onThreadTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (id != g_timer) return;
    g_timer = 0;
    if (auto action = std::exchange(g_whileOpen, nullptr)) action();
}
} // namespace

void whileOpen(std::function<void()> action, unsigned delayMs) {
    stopWhileOpen();
    g_whileOpen = std::move(action);
    g_timer = SetTimer(nullptr, 0, delayMs, &onThreadTimer);
}

void stopWhileOpen() {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = 0;
    g_whileOpen = nullptr;
}

void answerWhenOpen(std::function<HWND()> key, std::function<bool()> open) {
    whileOpen(
        [key, open] {
            if (HWND button = open() ? key() : nullptr) notifyClick(button);
            if (open()) answerWhenOpen(key, open);
        },
        kDoubleClickMs);
}

COLORREF pixelOf(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

void notifyClick(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

} // namespace diag::wintest
