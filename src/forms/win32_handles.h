#pragma once
// The forms' handle owners: windows, fonts, icons, hooks, window classes, painting and DC
// selections (Windows builds only). The general ones are in app/win32_handles.h.
#include "app/win32_handles.h"

#include <windows.h>

#include <utility>

namespace diag::forms {

struct GdiDeleter {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct WindowDeleter {
    void operator()(HWND h) const { DestroyWindow(h); }
};
struct IconDeleter {
    void operator()(HICON h) const { DestroyIcon(h); }
};
struct HookDeleter {
    void operator()(HHOOK h) const { UnhookWindowsHookEx(h); }
};

using UniqueFont = UniqueHandle<HFONT, GdiDeleter>;
using UniqueWindow = UniqueHandle<HWND, WindowDeleter>;
using UniqueIcon = UniqueHandle<HICON, IconDeleter>;
using UniqueHook = UniqueHandle<HHOOK, HookDeleter>;

// A registered window class, unregistered when dropped (after its windows are gone).
class ClassRegistration {
  public:
    ClassRegistration() = default;
    ClassRegistration(ATOM atom, HINSTANCE instance) : atom_(atom), instance_(instance) {}
    ~ClassRegistration() {
        if (atom_) UnregisterClassW(MAKEINTATOM(atom_), instance_);
    }
    ClassRegistration(ClassRegistration&& o) noexcept
        : atom_(std::exchange(o.atom_, ATOM{})), instance_(o.instance_) {}
    ClassRegistration& operator=(ClassRegistration&& o) noexcept {
        std::swap(atom_, o.atom_);
        std::swap(instance_, o.instance_);
        return *this;
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

  private:
    ATOM atom_ = 0;
    HINSTANCE instance_ = nullptr;
};

// BeginPaint and EndPaint, paired.
class PaintDc {
  public:
    explicit PaintDc(HWND window) : window_(window) { dc_ = BeginPaint(window_, &ps_); }
    ~PaintDc() { EndPaint(window_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectInDc {
  public:
    SelectInDc(HDC dc, HGDIOBJ obj) : dc_(dc), previous_(SelectObject(dc, obj)) {}
    ~SelectInDc() { SelectObject(dc_, previous_); }
    SelectInDc(const SelectInDc&) = delete;
    SelectInDc& operator=(const SelectInDc&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace diag::forms
