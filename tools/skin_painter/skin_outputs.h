// Everything the painter writes into its output folder: the skins as BMP
// resources and PNG previews, a contact sheet, and the application icon.
#pragma once

#include <cairo.h>

#include "tools/skin_painter/skin_bitmap.h"
#include "tools/skin_painter/skin_fonts.h"

// The icon's images, largest first.
inline constexpr int kIconSizes[] = {48, 32, 16};

// One image of the application icon: the headset glyph in the accent colour
// on a dark rounded tile, with a transparent surround. The caller destroys it.
cairo_surface_t* PaintAppIcon(int size);

PixelView ViewOf(cairo_surface_t* surface);

// Writes skin_<n>.bmp and skin_<n>.png for every skin, contact_sheet.png and
// app.ico into `folder` (created if missing). False, with a message on
// stderr, at the first failure.
bool WriteSkinOutputs(const SkinFonts& fonts, const char* folder);
