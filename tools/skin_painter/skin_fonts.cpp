// Open Sans through FreeType and cairo-ft, with fixed rendering options.
#include "tools/skin_painter/skin_fonts.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kFaceFiles[FaceCount] = {
    "OpenSans-Regular.ttf",
    "OpenSans-Semibold.ttf",
    "OpenSans-Bold.ttf",
};

const cairo_user_data_key_t kFtFaceKey = {};

void DoneFtFace(void* face) { FT_Done_Face(static_cast<FT_Face>(face)); }

// The FreeType face is freed when cairo lets go of the font face, which may
// be later than our own reference (cairo caches scaled fonts).
cairo_font_face_t* OpenFace(FT_Library library, const char* folder, const char* file) {
    char path[512];
    if (std::snprintf(path, sizeof path, "%s/%s", folder, file) >= int(sizeof path)) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path, 0, &face) != 0) {
        std::fprintf(stderr, "skin_painter: cannot load the font %s\n", path);
        return nullptr;
    }
    cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
    if (cairo_font_face_set_user_data(cairoFace, &kFtFaceKey, face, DoneFtFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cairoFace);
        FT_Done_Face(face);
        return nullptr;
    }
    return cairoFace;
}

bool ReadCellMetrics(SkinFonts& fonts) {
    FT_Face face = static_cast<FT_Face>(cairo_font_face_get_user_data(fonts.faces[FaceRegular], &kFtFaceKey));
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 == nullptr || os2->usWinAscent + os2->usWinDescent == 0) return false;
    fonts.unitsPerEm = face->units_per_EM;
    fonts.winAscent = os2->usWinAscent;
    fonts.winDescent = os2->usWinDescent;
    return true;
}

}  // namespace

bool LoadSkinFonts(SkinFonts& fonts, const char* folder) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    fonts.library = library;
    for (int face = 0; face < FaceCount; ++face) {
        fonts.faces[face] = OpenFace(library, folder, kFaceFiles[face]);
        if (fonts.faces[face] == nullptr) return false;
    }
    // Grey antialiasing, light hinting, unhinted metrics: positions measured
    // here are the positions drawn, to a fraction of a pixel.
    fonts.options = cairo_font_options_create();
    cairo_font_options_set_antialias(fonts.options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(fonts.options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(fonts.options, CAIRO_HINT_METRICS_OFF);
    fonts.scratchSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    fonts.scratch = cairo_create(fonts.scratchSurface);
    return ReadCellMetrics(fonts);
}

void ReleaseSkinFonts(SkinFonts& fonts) {
    if (fonts.scratch != nullptr) cairo_destroy(fonts.scratch);
    if (fonts.scratchSurface != nullptr) cairo_surface_destroy(fonts.scratchSurface);
    if (fonts.options != nullptr) cairo_font_options_destroy(fonts.options);
    for (cairo_font_face_t*& face : fonts.faces) {
        if (face != nullptr) cairo_font_face_destroy(face);
        face = nullptr;
    }
    // Drops cairo's font caches, so the FreeType faces go before the library.
    cairo_debug_reset_static_data();
    if (fonts.library != nullptr) FT_Done_FreeType(static_cast<FT_Library>(fonts.library));
    fonts = SkinFonts{};
}

double EmForCell(const SkinFonts& fonts, int cellHeight) {
    return double(cellHeight) * fonts.unitsPerEm / (fonts.winAscent + fonts.winDescent);
}

int CellAscent(const SkinFonts& fonts, int cellHeight) {
    return int(std::lround(double(cellHeight) * fonts.winAscent / (fonts.winAscent + fonts.winDescent)));
}

int ControlBaseline(const SkinFonts& fonts, ControlId control) {
    return ControlById(control).rect.y + CellAscent(fonts, ControlCellHeight(control));
}

void SelectFont(cairo_t* cr, const SkinFonts& fonts, FaceId face, double size) {
    cairo_set_font_face(cr, fonts.faces[face]);
    cairo_set_font_size(cr, size);
    cairo_set_font_options(cr, fonts.options);
}

TextInk MeasureText(const SkinFonts& fonts, FaceId face, double size, const char* text) {
    SelectFont(fonts.scratch, fonts, face, size);
    cairo_text_extents_t e;
    cairo_text_extents(fonts.scratch, text, &e);
    return {{e.x_bearing, e.y_bearing, e.x_bearing + e.width, e.y_bearing + e.height}, e.x_advance};
}
