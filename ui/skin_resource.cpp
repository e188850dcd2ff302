#include "ui/skin_resource.h"

#include <zlib.h>

namespace {

uint32_t Read32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

}  // namespace

bool ReadSkinResourceSize(const uint8_t* resource, size_t size, int& width, int& height) {
    if (resource == nullptr || size < kSkinResourceHeaderBytes) return false;
    const uint32_t w = Read32(resource), h = Read32(resource + 4);
    if (w == 0 || h == 0 || w > kSkinResourceMaxSide || h > kSkinResourceMaxSide) return false;
    width = int(w);
    height = int(h);
    return true;
}

bool InflateSkinResource(const uint8_t* resource, size_t size, uint8_t* pixels, size_t pixelBytes) {
    int width = 0, height = 0;
    if (!ReadSkinResourceSize(resource, size, width, height) || pixels == nullptr ||
        pixelBytes != size_t(width) * size_t(height) * 4) {
        return false;
    }
    // uncompress() writes no more than it is given room for; a stream that
    // would give more, or less, is not this skin.
    uLongf filled = uLongf(pixelBytes);
    return uncompress(pixels, &filled, resource + kSkinResourceHeaderBytes, uLong(size - kSkinResourceHeaderBytes)) ==
               Z_OK &&
           filled == pixelBytes;
}
