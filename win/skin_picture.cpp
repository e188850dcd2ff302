// The skins of the larger sets (Windows only): PNG resources decoded by the
// system's imaging component and, between the painted scales, reduced to
// the window's size with a filter that averages. ole32 and the imaging
// component are loaded on the first such skin, so a start at 100 % loads
// neither.
#include <wincodec.h>

#include "platform/system_library_win.h"
#include "ui/display_scale.h"
#include "win/skin_cache.h"

namespace {

// Releases a COM object when it goes out of scope.
template <typename T>
struct Held {
    T* object = nullptr;
    ~Held() {
        if (object != nullptr) object->Release();
    }
    T* operator->() const { return object; }
};

// The imaging factory, made once on the UI thread (COM in its apartment).
IWICImagingFactory* ImagingFactory() {
    static IWICImagingFactory* factory = nullptr;
    static bool tried = false;
    if (tried) return factory;
    tried = true;
    static const auto initialize = SYSTEM_FUNCTION(L"ole32.dll", CoInitializeEx);
    static const auto create = SYSTEM_FUNCTION(L"ole32.dll", CoCreateInstance);
    if (initialize == nullptr || create == nullptr) return nullptr;
    const HRESULT com = initialize(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE) return nullptr;
    void* made = nullptr;
    if (SUCCEEDED(create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, &made))) {
        factory = static_cast<IWICImagingFactory*>(made);
    }
    return factory;
}

// The first frame of a PNG resource; null when it is missing or unreadable.
bool DecodeResource(IWICImagingFactory* factory, HINSTANCE instance, int id, Held<IWICStream>& stream,
                    Held<IWICBitmapDecoder>& decoder, Held<IWICBitmapFrameDecode>& frame) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL data = found != nullptr ? LoadResource(instance, found) : nullptr;
    void* bytes = data != nullptr ? LockResource(data) : nullptr;
    if (bytes == nullptr) return false;
    return SUCCEEDED(factory->CreateStream(&stream.object)) &&
           SUCCEEDED(stream->InitializeFromMemory(static_cast<BYTE*>(bytes), SizeofResource(instance, found))) &&
           SUCCEEDED(factory->CreateDecoderFromStream(stream.object, nullptr, WICDecodeMetadataCacheOnDemand,
                                                      &decoder.object)) &&
           SUCCEEDED(decoder->GetFrame(0, &frame.object));
}

// A 24-bit top-down DIB section, as the 100 % skins are; `bits` receives
// its pixels.
HBITMAP TopDownBitmap(int width, int height, void*& bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// The source's pixels in a bitmap like the 100 % skins.
HBITMAP CopyToBitmap(IWICImagingFactory* factory, IWICBitmapSource* source, int width, int height) {
    Held<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter.object)) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom))) {
        return nullptr;
    }
    void* bits = nullptr;
    HBITMAP bitmap = TopDownBitmap(width, height, bits);
    if (bitmap == nullptr) return nullptr;
    const UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * static_cast<UINT>(height), static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

// Between the painted scales: the next larger set, reduced with GDI's
// halftone stretching, which averages every source pixel in. (The imaging
// component's own scaler would do on Windows, but Wine's only picks pixels.)
HBITMAP Reduce(HBITMAP source, int fromWidth, int fromHeight, int width, int height) {
    void* bits = nullptr;
    HBITMAP target = TopDownBitmap(width, height, bits);
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    if (target != nullptr && from != nullptr && to != nullptr) {
        HGDIOBJ oldFrom = SelectObject(from, source);
        HGDIOBJ oldTo = SelectObject(to, target);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, fromWidth, fromHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from != nullptr) DeleteDC(from);
    if (to != nullptr) DeleteDC(to);
    return target;
}

}  // namespace

HBITMAP LoadSkinPicture(HINSTANCE instance, SkinId skin, int dpi) {
    IWICImagingFactory* factory = ImagingFactory();
    if (factory == nullptr) return nullptr;
    Held<IWICStream> stream;
    Held<IWICBitmapDecoder> decoder;
    Held<IWICBitmapFrameDecode> frame;
    if (!DecodeResource(factory, instance, SkinResourceId(skin, SkinSetFor(dpi)), stream, decoder, frame)) {
        return nullptr;
    }
    const PixelRect size = SkinDeviceRect(skin, dpi);
    UINT width = 0, height = 0;
    frame->GetSize(&width, &height);
    if (static_cast<int>(width) == size.width && static_cast<int>(height) == size.height) {
        return CopyToBitmap(factory, frame.object, size.width, size.height);
    }
    HBITMAP painted = CopyToBitmap(factory, frame.object, static_cast<int>(width), static_cast<int>(height));
    if (painted == nullptr) return nullptr;
    HBITMAP reduced = Reduce(painted, static_cast<int>(width), static_cast<int>(height), size.width, size.height);
    DeleteObject(painted);
    return reduced;
}
