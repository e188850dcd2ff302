// Everything the painter writes into its output folder: the skins as BMP
// resources and PNG previews, a contact sheet, and the application icon.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "tools/skin_painter/skin_bitmap.h"
#include "tools/skin_painter/skin_fonts.h"

// The icon's images, largest first: 48, 32 and 16 for 100 %, the others
// for the larger scales (24 is the small icon at 150 %). From 64 pixels up
// each is kept as a PNG file inside the icon, as Windows reads them.
inline constexpr int kIconSizes[] = {256, 128, 96, 64, 48, 32, 24, 16};
inline constexpr int kIconPngFrom = 64;

// One image of the application icon: the headset glyph in the accent colour
// on a dark rounded tile, with a transparent surround. The caller destroys it.
cairo_surface_t* PaintAppIcon(int size);

PixelView ViewOf(cairo_surface_t* surface);

// The PNG file of a surface; empty when cairo cannot write it.
std::vector<uint8_t> EncodePng(cairo_surface_t* surface);

// Writes skin_<n>.png for every skin, the larger sets as
// skin_<n>_150.png and skin_<n>_200.png, contact_sheet.png and app.ico into
// `folder` (created if missing). False, with a message on stderr, at the
// first failure.
bool WriteSkinOutputs(const SkinFonts& fonts, const char* folder);
