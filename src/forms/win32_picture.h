#pragma once
// Pictures decoded with WIC (through COM, so no codec DLL is linked) into a 32-bit DIB
// owned by the picture (Windows builds only).
#include "forms/win32_handles.h"

#include <string>

namespace diag::forms {

class Picture {
  public:
    Picture() = default;
    Picture(UniqueBitmap bitmap, int width, int height)
        : bitmap_(std::move(bitmap)), width_(width), height_(height) {}
    explicit operator bool() const { return static_cast<bool>(bitmap_); }
    HBITMAP bitmap() const { return bitmap_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Draws at natural size at (x, y), or stretched to w x h.
    void draw(HDC dc, int x, int y) const;
    void drawStretched(HDC dc, int x, int y, int w, int h) const;

  private:
    UniqueBitmap bitmap_;
    int width_ = 0, height_ = 0;
};

// A built-in picture (RCDATA resource of that name). Empty when missing or undecodable.
Picture loadResourcePicture(HINSTANCE instance, std::string_view name);
// A picture file; empty when it cannot be read or decoded, or is unreasonably large.
Picture loadFilePicture(const std::wstring& path);

} // namespace diag::forms
