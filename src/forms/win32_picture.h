#pragma once
// Pictures, drawn without making a GDI object (Windows builds only): the built-in bitmaps
// straight from the exe's resources, which GDI draws as they are stored; the others
// decoded with WIC, reached through COM so that no codec DLL is linked, into 32-bit
// pixels held in memory. The main window shows only bitmaps, so WIC (about 1 MB of a
// process under Wine) is loaded only when a dialog shows its pictures.
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
    // A packed DIB (header, colour table, rows) that outlives the picture, as a resource
    // of a loaded module does: nothing is copied. Empty unless it is an uncompressed DIB
    // of 1 to 32 bits per pixel whose rows all lie within `size` bytes.
    static Picture fromPackedDib(const void* data, size_t size);
    explicit operator bool() const { return width_ > 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    // At its own size at (x, y), or stretched to w x h with exact pixels (no smoothing).
    void draw(HDC dc, int x, int y) const { drawStretched(dc, x, y, width_, height_); }
    void drawStretched(HDC dc, int x, int y, int w, int h) const;

  private:
    std::vector<uint32_t> pixels_; // top-down rows of BGRX, when decoded
    const BITMAPINFO* dib_ = nullptr; // else the packed DIB's header and colour table
    const void* dibBits_ = nullptr;   // and its rows
    int width_ = 0, height_ = 0;
};

// The WIC factory, made at the first decode and kept; a factory that could not be made
// (a damaged registration, a system without WIC) is asked for again at the next one.
class PictureDecoder {
  public:
    PictureDecoder();
    ~PictureDecoder();
    // A built-in picture: the BITMAP resource of that name, else the RCDATA one decoded by
    // WIC. Empty when missing or undecodable.
    Picture fromResource(HINSTANCE instance, std::string_view name);
    // A picture file; empty when it cannot be read or decoded, or is unreasonably large.
    Picture fromFile(const std::wstring& path);

  private:
    IWICImagingFactory* factory();
    Picture decode(IWICBitmapDecoder* decoder);
    ComPtr<IWICImagingFactory> factory_;
};

} // namespace diag::forms
