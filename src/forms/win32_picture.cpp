#include "forms/win32_picture.h"

#include "app/win32_wide.h"

#include <initguid.h> // the WIC class and interface identifiers, defined here
#include <objbase.h>
#include <wincodec.h>

namespace diag::forms {

namespace {
// Guards against pictures whose header claims a size we could never hold.
constexpr UINT kMaxSide = 8192;
} // namespace

void Picture::drawStretched(HDC dc, int x, int y, int w, int h) const {
    if (pixels_.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_; // top-down, as WIC writes rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR); // exact pixels for the frame tiles
    StretchDIBits(dc, x, y, w, h, 0, 0, width_, height_, pixels_.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

PictureDecoder::PictureDecoder() = default;
PictureDecoder::~PictureDecoder() = default;

IWICImagingFactory* PictureDecoder::factory() {
    if (!factory_)
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(factory_.put()));
    return factory_.get();
}

Picture PictureDecoder::decode(IWICBitmapDecoder* decoder) {
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.put()))) return {};
    UINT w = 0, h = 0;
    if (FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return {};
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory_->CreateFormatConverter(converter.put()))) return {};
    if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom)))
        return {};
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(pixels.data())))) return {};
    return Picture(std::move(pixels), static_cast<int>(w), static_cast<int>(h));
}

Picture PictureDecoder::fromResource(HINSTANCE instance, std::string_view name) {
    HRSRC res = FindResourceW(instance, widen(name).c_str(), RT_RCDATA);
    if (!res || !factory()) return {};
    HGLOBAL loaded = LoadResource(instance, res);
    DWORD size = SizeofResource(instance, res);
    auto* data = static_cast<BYTE*>(LockResource(loaded));
    if (!data || size == 0) return {};
    ComPtr<IWICStream> stream;
    if (FAILED(factory_->CreateStream(stream.put())) || FAILED(stream->InitializeFromMemory(data, size))) return {};
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory_->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                 decoder.put())))
        return {};
    return decode(decoder.get());
}

Picture PictureDecoder::fromFile(const std::wstring& path) {
    if (!factory()) return {};
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory_->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnDemand, decoder.put())))
        return {};
    return decode(decoder.get());
}

} // namespace diag::forms
