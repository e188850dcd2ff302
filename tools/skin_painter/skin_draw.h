// Paints a skin from its screen description.
#pragma once

#include <cairo.h>

#include "tools/skin_painter/skin_fonts.h"
#include "tools/skin_painter/skin_screens.h"
#include "ui/display_scale.h"

// A new image surface of the skin's size at `dpi` with the screen painted
// on it, drawn at that scale (not stretched); the caller destroys it. Check
// cairo_surface_status for failure.
cairo_surface_t* PaintSkin(const SkinFonts& fonts, const SkinScreen& screen, int dpi = kLayoutDpi);

// The title strip's height: the band behind the title and the three glyphs.
inline constexpr int kTitleStripHeight = 40;
