#include "forms/win32_picture.h"

#include "app/win32_wide.h"

#include <initguid.h>
#include <objbase.h>
#include <wincodec.h>

namespace diag::forms {

namespace {

// Guards against pictures whose header claims a size we could never hold.
constexpr UINT kMaxSide = 8192;

template <class T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

IWICImagingFactory* factory() {
    static IWICImagingFactory* f = [] {
        IWICImagingFactory* made = nullptr;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&made));
        return made;
    }();
    return f;
}

Picture decode(IWICBitmapDecoder* decoder) {
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) return {};
    UINT w = 0, h = 0;
    if (FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return {};
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory()->CreateFormatConverter(converter.out()))) return {};
    if (FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = -static_cast<LONG>(h); // top-down, as WIC writes rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, static_cast<BYTE*>(bits)))) return {};
    return Picture(std::move(bitmap), static_cast<int>(w), static_cast<int>(h));
}

} // namespace

void Picture::draw(HDC dc, int x, int y) const { drawStretched(dc, x, y, width_, height_); }

void Picture::drawStretched(HDC dc, int x, int y, int w, int h) const {
    if (!bitmap_) return;
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    SelectInDc select(memory.get(), bitmap_.get());
    if (w == width_ && h == height_) {
        BitBlt(dc, x, y, w, h, memory.get(), 0, 0, SRCCOPY);
    } else {
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR); // exact pixels for the frame tiles
        StretchBlt(dc, x, y, w, h, memory.get(), 0, 0, width_, height_, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
}

Picture loadResourcePicture(HINSTANCE instance, std::string_view name) {
    if (!factory()) return {};
    HRSRC res = FindResourceW(instance, widen(name).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return {};
    HGLOBAL loaded = LoadResource(instance, res);
    DWORD size = SizeofResource(instance, res);
    auto* data = static_cast<BYTE*>(LockResource(loaded));
    if (!data || size == 0) return {};
    ComPtr<IWICStream> stream;
    if (FAILED(factory()->CreateStream(stream.out())) || FAILED(stream->InitializeFromMemory(data, size))) return {};
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory()->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, decoder.out())))
        return {};
    return decode(decoder.p);
}

Picture loadFilePicture(const std::wstring& path) {
    if (!factory()) return {};
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory()->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, decoder.out())))
        return {};
    return decode(decoder.p);
}

} // namespace diag::forms
