// A skin as the program stores it: its width and height (32-bit, little
// endian), then its pixels deflated (zlib), top row first, four bytes a
// pixel: blue, green, red and a zero, as a 32-bit display holds them, so a
// skin is shown without a conversion. The painter writes them; the window
// inflates one straight into the bitmap it shows.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kSkinResourceHeaderBytes = 8;
constexpr int kSkinResourceMaxSide = 8192;  // far above any skin; keeps sizes in range

// The size a resource declares; false when it is too short or the size is
// out of range.
bool ReadSkinResourceSize(const uint8_t* resource, size_t size, int& width, int& height);

// Inflates the resource's pixels into `pixels`, `pixelBytes` long (width x
// height x 4); false unless they are whole and fill it exactly.
bool InflateSkinResource(const uint8_t* resource, size_t size, uint8_t* pixels, size_t pixelBytes);
