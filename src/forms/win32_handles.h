#pragma once
// One move-only owner per handle kind, so nothing that must be freed once is copied.
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
struct DcDeleter {
    void operator()(HDC h) const { DeleteDC(h); }
};
struct WindowDeleter {
    void operator()(HWND h) const { DestroyWindow(h); }
};

using UniqueFont = UniqueHandle<HFONT, GdiDeleter>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiDeleter>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiDeleter>;
using UniquePen = UniqueHandle<HPEN, GdiDeleter>;
using UniqueMemoryDc = UniqueHandle<HDC, DcDeleter>;

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
