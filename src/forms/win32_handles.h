#pragma once
// One move-only owner per handle kind, so that nothing that must be freed once is
// copied, and owning kept apart from borrowing (Windows builds only).
#include <windows.h>

#include <utility>

namespace diag::forms {

template <class H, class Deleter> class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, H{});
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != H{}; }
    void reset(H h = H{}) {
        if (h_ != H{}) Deleter{}(h_);
        h_ = h;
    }

  private:
    H h_{};
};

struct GdiDeleter {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct WindowDeleter {
    void operator()(HWND h) const { DestroyWindow(h); }
};
struct IconDeleter {
    void operator()(HICON h) const { DestroyIcon(h); }
};

using UniqueFont = UniqueHandle<HFONT, GdiDeleter>;
using UniqueWindow = UniqueHandle<HWND, WindowDeleter>;
using UniqueIcon = UniqueHandle<HICON, IconDeleter>;

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

// A COM interface pointer: moved, never copied, released once.
template <class T> class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For the functions that hand back an interface: the old one is released first.
    T** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

  private:
    T* p_ = nullptr;
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
