// The painter's fonts: Open Sans loaded by path through FreeType (never
// looked up by name, so every machine paints the same pixels), the cell
// metrics the window's controls use, and text measurement.
#pragma once

#include <cairo.h>

#include "tools/skin_painter/skin_geometry.h"

enum FaceId { FaceRegular, FaceSemibold, FaceBold, FaceCount };

struct SkinFonts {
    void* library = nullptr;  // FT_Library
    cairo_font_face_t* faces[FaceCount] = {};
    cairo_font_options_t* options = nullptr;
    cairo_surface_t* scratchSurface = nullptr;
    cairo_t* scratch = nullptr;  // for measuring only
    // Of the regular face, the one the controls draw with.
    int unitsPerEm = 0;
    int winAscent = 0;
    int winDescent = 0;
};

// The folder the three faces are read from.
inline constexpr char kOpenSansFolder[] = "/usr/share/fonts/truetype/open-sans";

// Loads the faces from `folder`; false (with a message on stderr) if one is missing.
bool LoadSkinFonts(SkinFonts& fonts, const char* folder = kOpenSansFolder);
void ReleaseSkinFonts(SkinFonts& fonts);

// A control's font is asked for by its cell height (ascent plus descent,
// from the face's Windows metrics). These give the em size such a cell
// holds and the distance from the cell's top to the baseline.
double EmForCell(const SkinFonts& fonts, int cellHeight);
int CellAscent(const SkinFonts& fonts, int cellHeight);

// The baseline of a control's first line of text, in window pixels.
int ControlBaseline(const SkinFonts& fonts, ControlId control);

// The ink of a text drawn with its origin at (0, 0), plus its advance.
struct TextInk {
    Box ink;
    double advance;
};

void SelectFont(cairo_t* cr, const SkinFonts& fonts, FaceId face, double size);
TextInk MeasureText(const SkinFonts& fonts, FaceId face, double size, const char* text);
