#pragma once
// Pictures decoded with WIC, reached through COM so that no codec DLL is linked, into
// 32-bit pixels held in memory: drawing them makes no GDI object (Windows builds only).
#include "forms/win32_handles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct IWICImagingFactory;
struct IWICBitmapDecoder;

namespace diag::forms {

class Picture {
  public:
    Picture() = default;
    Picture(std::vector<uint32_t> pixels, int width, int height)
        : pixels_(std::move(pixels)), width_(width), height_(height) {}
    explicit operator bool() const { return !pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // At its own size at (x, y), or stretched to w x h with exact pixels (no smoothing).
    void draw(HDC dc, int x, int y) const { drawStretched(dc, x, y, width_, height_); }
    void drawStretched(HDC dc, int x, int y, int w, int h) const;

  private:
    std::vector<uint32_t> pixels_; // top-down rows of BGRX
    int width_ = 0, height_ = 0;
};

// The WIC factory, made at the first decode and kept; a factory that could not be made
// (a damaged registration, a system without WIC) is asked for again at the next one.
class PictureDecoder {
  public:
    PictureDecoder();
    ~PictureDecoder();
    // A built-in picture (RCDATA resource of that name). Empty when missing or undecodable.
    Picture fromResource(HINSTANCE instance, std::string_view name);
    // A picture file; empty when it cannot be read or decoded, or is unreasonably large.
    Picture fromFile(const std::wstring& path);

  private:
    IWICImagingFactory* factory();
    Picture decode(IWICBitmapDecoder* decoder);
    ComPtr<IWICImagingFactory> factory_;
};

} // namespace diag::forms
