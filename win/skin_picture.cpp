// The skins (Windows only): deflated resources inflated straight into a
// 32-bit bitmap and, between the painted scales, reduced to the window's
// size with a filter that averages.
#include "ui/display_scale.h"
#include "ui/skin_resource.h"
#include "win/skin_cache.h"

namespace {

// A 32-bit top-down DIB section, as displays hold their pixels: painted
// without a conversion each time. `bits` receives its pixels.
HBITMAP TopDownBitmap(int width, int height, void*& bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// The painted skin of resource `id`; null when it is missing or damaged.
HBITMAP Inflate(HINSTANCE instance, int id, int& width, int& height) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL data = found != nullptr ? LoadResource(instance, found) : nullptr;
    const auto* bytes = static_cast<const uint8_t*>(data != nullptr ? LockResource(data) : nullptr);
    const size_t size = found != nullptr ? SizeofResource(instance, found) : 0;
    if (!ReadSkinResourceSize(bytes, size, width, height)) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = TopDownBitmap(width, height, bits);
    if (bitmap == nullptr) return nullptr;
    if (!InflateSkinResource(bytes, size, static_cast<uint8_t*>(bits), size_t(width) * size_t(height) * 4)) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

// Between the painted scales: the next larger set, reduced with GDI's
// halftone stretching, which averages every source pixel in. (The imaging
// component's scaler would do on Windows, but Wine's only picks pixels.)
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
    int width = 0, height = 0;
    HBITMAP painted = Inflate(instance, SkinResourceId(skin, SkinSetFor(dpi)), width, height);
    const PixelRect size = SkinDeviceRect(skin, dpi);
    if (painted == nullptr || (width == size.width && height == size.height)) return painted;
    HBITMAP reduced = Reduce(painted, width, height, size.width, size.height);
    DeleteObject(painted);
    return reduced;
}
