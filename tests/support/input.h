#pragma once
// A left click at a point of the screen, as the user's mouse would make it (Windows).
// Every event must reach the system's input queue: one that SendInput did not take is a
// test failure, never a click taken as made.
#include <gtest/gtest.h>
#include <windows.h>

namespace diag::test {

inline void sendAll(UINT count, INPUT* events) {
    UINT sent = SendInput(count, events, sizeof(INPUT));
    EXPECT_EQ(sent, count) << "SendInput took " << sent << " of " << count << " events, error "
                           << GetLastError();
}

// A mouse event at a point of the screen. Every event carries its own absolute position,
// or a press may land where the pointer was.
inline INPUT mouseAt(POINT p, DWORD flags) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((p.x * 65535 + sw / 2) / (sw - 1));
    in.mi.dy = static_cast<LONG>((p.y * 65535 + sh / 2) / (sh - 1));
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return in;
}

inline void clickScreen(POINT p) {
    INPUT seq[] = {mouseAt(p, 0), mouseAt(p, MOUSEEVENTF_LEFTDOWN), mouseAt(p, MOUSEEVENTF_LEFTUP)};
    sendAll(3, seq);
}

// The press or the release of a click alone.
inline void pressScreen(POINT p, bool down) {
    INPUT seq[] = {mouseAt(p, 0), mouseAt(p, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)};
    sendAll(2, seq);
}

// A click in the middle of a window.
inline void clickWindow(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    clickScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// A key pressed and released, as the user's keyboard would send it.
inline void pressKey(WORD key) {
    INPUT seq[2]{};
    for (INPUT& in : seq) {
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
    }
    seq[1].ki.dwFlags = KEYEVENTF_KEYUP;
    sendAll(2, seq);
}

// A key pressed with a modifier held (Shift+Tab).
inline void pressKeyWith(WORD modifier, WORD key) {
    INPUT seq[4]{};
    WORD keys[] = {modifier, key, key, modifier};
    for (int i = 0; i < 4; ++i) {
        seq[i].type = INPUT_KEYBOARD;
        seq[i].ki.wVk = keys[i];
        seq[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    sendAll(4, seq);
}

} // namespace diag::test
