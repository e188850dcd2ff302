// Vector drawings for the skins and the icon: the headset, the USB
// adapter, the warning sign and the small headset glyph.
#pragma once

#include <cairo.h>

#include "tools/skin_painter/skin_geometry.h"

void SetColour(cairo_t* cr, Rgb colour, double alpha = 1);
// Adds a rounded rectangle as a new closed sub-path.
void RoundedBoxPath(cairo_t* cr, const Box& box, double radius);

// Each drawing keeps its proportions, centred in `box`, and never leaves it.
void DrawHeadset(cairo_t* cr, const Box& box);
void DrawAdapter(cairo_t* cr, const Box& box);
void DrawWarningSign(cairo_t* cr, const Box& box, Rgb colour, Rgb mark);
// A flat headset (band and two cups) in one colour, for the icon and the title strip.
void DrawHeadsetGlyph(cairo_t* cr, const Box& box, Rgb colour);
