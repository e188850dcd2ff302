// Writers of what the program's resources take: the skins as
// ui/skin_resource.h describes them, and the application icon as an ICO
// file, written by hand, byte for byte, so the resource compiler sees the
// same file on every machine.
#pragma once

#include <cstdint>
#include <vector>

// Pixels as cairo keeps them: 32-bit premultiplied ARGB words in native
// byte order, `stride` bytes from one row to the next, top row first.
struct PixelView {
    const uint8_t* data;
    int width;
    int height;
    int stride;
};

// A skin resource of the pixels, each as painted over black. Empty when the
// view is empty or too large.
std::vector<uint8_t> EncodeSkinResource(const PixelView& pixels);

// An icon file holding the given images in order, each a 32-bit BMP-style
// entry (straight alpha) with its AND mask, or, where `pngs` holds a
// non-empty file for it, that PNG file as it stands (how icons keep their
// 256-pixel image small). Sizes 1 to 256 pixels; empty when an image is
// outside that or there are none.
std::vector<uint8_t> EncodeIco(const PixelView* images, int count, const std::vector<uint8_t>* pngs = nullptr);

// Writes the bytes to `path`; false when it cannot.
bool WriteFileBytes(const char* path, const std::vector<uint8_t>& bytes);
