#include "winui/pictures.h"

#include <wincodec.h>

#include <string>

namespace winui {
namespace {

// The PNG bytes of the best drawing for a scale in percent.
std::pair<const BYTE*, DWORD> FindDrawing(const wchar_t* name, int percent) {
    HMODULE module = GetModuleHandleW(nullptr);
    for (int drawn : {100, 150, 200}) {
        if (drawn < percent && drawn != 200) continue;
        const std::wstring resourceName = std::wstring(name) + L"_" + std::to_wstring(drawn);
        HRSRC resource = FindResourceW(module, resourceName.c_str(), RT_RCDATA);
        if (!resource) continue;
        HGLOBAL loaded = LoadResource(module, resource);
        if (!loaded) continue;
        return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, resource)};
    }
    return {nullptr, 0};
}

UniqueBitmap PremultipliedDib(UINT width, UINT height, IWICBitmapSource* source) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as WIC writes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return {};
    const UINT stride = width * 4;
    if (FAILED(source->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) return {};
    return bitmap;
}

}  // namespace

UniqueBitmap RenderPicture(const wchar_t* name, SIZE size96, SIZE size) {
    if (size.cx <= 0 || size.cy <= 0 || size96.cx <= 0) return {};
    const auto [bytes, length] = FindDrawing(name, static_cast<int>(size.cx * 100 / size96.cx));
    if (!bytes) return {};

    ComApartment apartment;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.Put())))) {
        return {};
    }
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapScaler> scaler;
    ComPtr<IWICFormatConverter> converter;
    const bool ok = SUCCEEDED(factory->CreateStream(stream.Put())) &&
                    SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), length)) &&
                    SUCCEEDED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                               decoder.Put())) &&
                    SUCCEEDED(decoder->GetFrame(0, frame.Put())) &&
                    SUCCEEDED(factory->CreateBitmapScaler(scaler.Put())) &&
                    SUCCEEDED(scaler->Initialize(frame.Get(), static_cast<UINT>(size.cx), static_cast<UINT>(size.cy),
                                                 WICBitmapInterpolationModeFant)) &&
                    SUCCEEDED(factory->CreateFormatConverter(converter.Put())) &&
                    SUCCEEDED(converter->Initialize(scaler.Get(), GUID_WICPixelFormat32bppPBGRA,
                                                    WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom));
    if (!ok) return {};
    return PremultipliedDib(static_cast<UINT>(size.cx), static_cast<UINT>(size.cy), converter.Get());
}

}  // namespace winui
