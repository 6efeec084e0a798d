#pragma once
// Shared pieces of the Windows tests: what the harness promised about this run, a
// top-level window that counts the display broadcasts, and a throw-away current
// directory.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace diag::wintest {

// The double-click time of this run's prefix (set for the whole test program).
constexpr unsigned kDoubleClickMs = 20;

// A hidden top-level window of this thread. Broadcasts sent to HWND_BROADCAST reach
// hidden unowned top-level windows too, so it sees what every other program would.
class BroadcastListener {
  public:
    BroadcastListener();
    ~BroadcastListener();
    BroadcastListener(const BroadcastListener&) = delete;
    BroadcastListener& operator=(const BroadcastListener&) = delete;

    struct Received {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::wstring text; // WM_DEVMODECHANGE: the device name lParam points at
    };

    HWND window() const { return window_; }
    // Delivers whatever is pending for this thread, so posted or late messages count.
    void pump();
    // Also log this message (for instance one from RegisterWindowMessageW).
    void watch(UINT message) { watched_.push_back(message); }
    int count(UINT message) const;

    std::vector<Received> log; // WM_DISPLAYCHANGE, WM_DEVMODECHANGE and watched messages

  private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    std::vector<UINT> watched_;
};

// Makes a new empty folder under %TEMP% the current directory; puts the previous one
// back and deletes the folder (and the files left in it) afterwards.
class TempCurrentDirectory {
  public:
    TempCurrentDirectory();
    ~TempCurrentDirectory();
    TempCurrentDirectory(const TempCurrentDirectory&) = delete;
    TempCurrentDirectory& operator=(const TempCurrentDirectory&) = delete;

    const std::wstring& path() const { return path_; } // no trailing backslash
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring previous_, path_;
};

// Runs `action` from inside the modal loop that the caller is about to enter, once
// `delayMs` have passed (a thread timer, dispatched by that loop).
void whileOpen(std::function<void()> action, unsigned delayMs = 150);
// Drops the action still armed, if any: its timer then does nothing.
void stopWhileOpen();

// The colour of a pixel of a window, as it is on screen.
COLORREF pixelOf(HWND window, int x, int y);

// A press of a key as assistive technology makes it (BM_CLICK), without the mouse.
void notifyClick(HWND button);

// From inside the modal loop about to start: clicks `key()` (as notifyClick) every few
// milliseconds while `open()` holds, until a click is taken, so an answer that came
// before the dialog took presses is given again.
void answerWhenOpen(std::function<HWND()> key, std::function<bool()> open);

} // namespace diag::wintest
