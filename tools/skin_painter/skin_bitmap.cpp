// Skin resource and ICO encoding.
#include "tools/skin_painter/skin_bitmap.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "ui/skin_resource.h"

namespace {

constexpr int kInfoHeaderBytes = 40;
constexpr int kIconDirBytes = 6;
constexpr int kIconEntryBytes = 16;
constexpr int kMaxIconSide = 256;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dpi

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

struct Argb {
    uint8_t a, r, g, b;
};

Argb PixelAt(const PixelView& view, int x, int y) {
    uint32_t word;
    std::memcpy(&word, view.data + size_t(y) * view.stride + size_t(x) * 4, sizeof word);
    return {uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
}

uint8_t Unpremultiply(uint8_t channel, uint8_t alpha) {
    if (alpha == 0) return 0;
    const unsigned value = (unsigned(channel) * 255 + alpha / 2) / alpha;
    return uint8_t(value > 255 ? 255 : value);
}

bool ValidView(const PixelView& view, int maxSide) {
    return view.data != nullptr && view.width > 0 && view.height > 0 && view.width <= maxSide &&
           view.height <= maxSide && view.stride >= view.width * 4;
}

// BITMAPINFOHEADER, 32 or 24 bits, no compression.
void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t imageBytes) {
    Put32(out, kInfoHeaderBytes);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));
    Put16(out, 1);  // planes
    Put16(out, uint32_t(bits));
    Put32(out, 0);  // BI_RGB
    Put32(out, imageBytes);
    Put32(out, kPixelsPerMetre);
    Put32(out, kPixelsPerMetre);
    Put32(out, 0);  // colours used
    Put32(out, 0);  // colours important
}

uint32_t MaskRowBytes(int width) { return uint32_t((width + 31) / 32 * 4); }

uint32_t IconImageBytes(const PixelView& view) {
    return kInfoHeaderBytes + uint32_t(view.width) * view.height * 4 + MaskRowBytes(view.width) * view.height;
}

// One icon image: header with the doubled height that covers colour and
// mask, straight-alpha BGRA rows bottom-up, then the AND mask (1 = see-through).
void PutIconImage(std::vector<uint8_t>& out, const PixelView& view) {
    const uint32_t colourBytes = uint32_t(view.width) * view.height * 4;
    PutInfoHeader(out, view.width, view.height * 2, 32, colourBytes + MaskRowBytes(view.width) * view.height);
    for (int y = view.height - 1; y >= 0; --y) {
        for (int x = 0; x < view.width; ++x) {
            const Argb p = PixelAt(view, x, y);
            out.push_back(Unpremultiply(p.b, p.a));
            out.push_back(Unpremultiply(p.g, p.a));
            out.push_back(Unpremultiply(p.r, p.a));
            out.push_back(p.a);
        }
    }
    for (int y = view.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(MaskRowBytes(view.width), 0);
        for (int x = 0; x < view.width; ++x) {
            if (PixelAt(view, x, y).a == 0) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

}  // namespace

std::vector<uint8_t> EncodeSkinResource(const PixelView& view) {
    std::vector<uint8_t> out;
    if (!ValidView(view, kSkinResourceMaxSide)) return out;
    // Premultiplied channels are already the colour over black.
    std::vector<uint8_t> pixels;
    pixels.reserve(size_t(view.width) * view.height * 4);
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            const Argb p = PixelAt(view, x, y);
            pixels.insert(pixels.end(), {p.b, p.g, p.r, 0});
        }
    }
    Put32(out, uint32_t(view.width));
    Put32(out, uint32_t(view.height));
    uLongf deflated = compressBound(uLong(pixels.size()));
    out.resize(kSkinResourceHeaderBytes + deflated);
    if (compress2(out.data() + kSkinResourceHeaderBytes, &deflated, pixels.data(), uLong(pixels.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    out.resize(kSkinResourceHeaderBytes + deflated);
    return out;
}

std::vector<uint8_t> EncodeIco(const PixelView* images, int count, const std::vector<uint8_t>* pngs) {
    std::vector<uint8_t> out;
    if (images == nullptr || count <= 0 || count > 0xFFFF) return out;
    for (int i = 0; i < count; ++i) {
        if (!ValidView(images[i], kMaxIconSide)) return out;
    }
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon
    Put16(out, uint32_t(count));
    auto png = [pngs](int i) { return pngs != nullptr && !pngs[i].empty() ? &pngs[i] : nullptr; };
    auto imageBytes = [&](int i) { return png(i) != nullptr ? uint32_t(png(i)->size()) : IconImageBytes(images[i]); };
    uint32_t offset = kIconDirBytes + kIconEntryBytes * uint32_t(count);
    for (int i = 0; i < count; ++i) {
        const PixelView& view = images[i];
        out.push_back(uint8_t(view.width & 0xFF));  // 256 is written as 0
        out.push_back(uint8_t(view.height & 0xFF));
        out.push_back(0);  // no palette
        out.push_back(0);  // reserved
        Put16(out, 1);     // planes
        Put16(out, 32);    // bits per pixel
        Put32(out, imageBytes(i));
        Put32(out, offset);
        offset += imageBytes(i);
    }
    for (int i = 0; i < count; ++i) {
        if (png(i) != nullptr) {
            out.insert(out.end(), png(i)->begin(), png(i)->end());
        } else {
            PutIconImage(out, images[i]);
        }
    }
    return out;
}

bool WriteFileBytes(const char* path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}
