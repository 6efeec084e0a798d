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

Picture Picture::fromPackedDib(const void* data, size_t size) {
    const auto* header = static_cast<const BITMAPINFOHEADER*>(data);
    if (!data || size < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER) ||
        header->biSize > size || header->biPlanes != 1 || header->biCompression != BI_RGB)
        return {};
    const WORD bits = header->biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};
    // Rows run bottom-up for a positive height, top-down for a negative one.
    const LONG width = header->biWidth, height = header->biHeight;
    if (width <= 0 || width > LONG{kMaxSide} || height == 0 || height < -LONG{kMaxSide} || height > LONG{kMaxSide})
        return {};
    uint64_t colours = header->biClrUsed;
    if (bits <= 8) {
        if (colours > (1u << bits)) return {};
        if (colours == 0) colours = 1u << bits;
    }
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t rowsAt = header->biSize + colours * sizeof(RGBQUAD);
    if (rowsAt + stride * static_cast<uint64_t>(height < 0 ? -height : height) > size) return {};
    Picture picture;
    picture.dib_ = static_cast<const BITMAPINFO*>(data);
    picture.dibBits_ = static_cast<const BYTE*>(data) + rowsAt;
    picture.width_ = static_cast<int>(width);
    picture.height_ = static_cast<int>(height < 0 ? -height : height);
    return picture;
}

void Picture::drawStretched(HDC dc, int x, int y, int w, int h) const {
    if (width_ <= 0) return;
    BITMAPINFO decoded{}; // the header of pixels WIC decoded: 32 bits, top-down as WIC writes rows
    decoded.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    decoded.bmiHeader.biWidth = width_;
    decoded.bmiHeader.biHeight = -height_;
    decoded.bmiHeader.biPlanes = 1;
    decoded.bmiHeader.biBitCount = 32;
    decoded.bmiHeader.biCompression = BI_RGB;
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR); // exact pixels for the frame tiles
    StretchDIBits(dc, x, y, w, h, 0, 0, width_, height_, dib_ ? dibBits_ : pixels_.data(), dib_ ? dib_ : &decoded,
                  DIB_RGB_COLORS, SRCCOPY);
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
    const std::wstring wideName = widen(name);
    // A bitmap is drawn as the exe stores it: no decoder, so no WIC in the process.
    if (HRSRC bitmap = FindResourceW(instance, wideName.c_str(), RT_BITMAP))
        return Picture::fromPackedDib(LockResource(LoadResource(instance, bitmap)), SizeofResource(instance, bitmap));
    HRSRC res = FindResourceW(instance, wideName.c_str(), RT_RCDATA);
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
