// Writing the painter's files.
#include "tools/skin_painter/skin_outputs.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/skin_painter/device_art.h"
#include "tools/skin_painter/skin_draw.h"
#include "tools/skin_painter/skin_placement.h"

namespace {

constexpr double kSheetScale = 0.3;
constexpr int kSheetColumns = 5;
constexpr int kSheetGap = 16;
constexpr int kSheetLabelHeight = 26;
constexpr double kSheetLabelSize = 13;

std::string PathIn(const char* folder, const std::string& name) { return std::string(folder) + "/" + name; }

bool Report(bool ok, const std::string& path) {
    if (!ok) std::fprintf(stderr, "skin_painter: cannot write %s\n", path.c_str());
    return ok;
}

bool WritePng(cairo_surface_t* surface, const std::string& path) {
    return Report(cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS, path);
}

// The skin over black without its alpha channel, as the program shows it:
// a PNG of it keeps three bytes a pixel instead of four.
cairo_surface_t* OpaqueCopy(cairo_surface_t* skin) {
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(skin),
                                                       cairo_image_surface_get_height(skin));
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_set_source_surface(cr, skin, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(copy);
    return copy;
}

// A skin as the program keeps it, `stem`.skin, and as a picture to look at
// and compare the window with, `stem`.png.
bool WriteSkin(cairo_surface_t* skin, const std::string& stem) {
    const std::vector<uint8_t> resource = EncodeSkinResource(ViewOf(skin));
    if (!Report(!resource.empty() && WriteFileBytes((stem + ".skin").c_str(), resource), stem + ".skin")) return false;
    cairo_surface_t* opaque = OpaqueCopy(skin);
    const bool ok = WritePng(opaque, stem + ".png");
    cairo_surface_destroy(opaque);
    return ok;
}

// All skins at a glance, each with its resource number and name.
cairo_surface_t* PaintContactSheet(const SkinFonts& fonts, cairo_surface_t* const* skins) {
    const int cellWidth = int(kWindowWidth * kSheetScale);
    const int cellHeight = int(kWindowHeight * kSheetScale) + kSheetLabelHeight;
    const int rows = (kSkinCount + kSheetColumns - 1) / kSheetColumns;
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSheetColumns * (cellWidth + kSheetGap) + kSheetGap,
                                                        rows * (cellHeight + kSheetGap) + kSheetGap);
    cairo_t* cr = cairo_create(sheet);
    SetColour(cr, kStripColour);
    cairo_paint(cr);
    for (int i = 0; i < kSkinCount; ++i) {
        const SkinScreen& screen = SkinScreens()[size_t(i)];
        const double x = kSheetGap + (i % kSheetColumns) * (cellWidth + kSheetGap);
        const double y = kSheetGap + (i / kSheetColumns) * (cellHeight + kSheetGap);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, kSheetScale, kSheetScale);
        cairo_set_source_surface(cr, skins[i], 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
        char label[64];
        std::snprintf(label, sizeof label, "%d  %s", int(screen.id), screen.name);
        SelectFont(cr, fonts, FaceRegular, kSheetLabelSize);
        SetColour(cr, kBodyColour);
        cairo_move_to(cr, x, y + cellHeight - 8);
        cairo_show_text(cr, label);
    }
    cairo_destroy(cr);
    cairo_surface_flush(sheet);
    return sheet;
}

bool WriteIcon(const char* folder) {
    cairo_surface_t* images[std::size(kIconSizes)];
    PixelView views[std::size(kIconSizes)];
    std::vector<uint8_t> pngs[std::size(kIconSizes)];
    for (size_t i = 0; i < std::size(kIconSizes); ++i) {
        images[i] = PaintAppIcon(kIconSizes[i]);
        views[i] = ViewOf(images[i]);
        if (kIconSizes[i] >= kIconPngFrom) pngs[i] = EncodePng(images[i]);
    }
    const std::vector<uint8_t> bytes = EncodeIco(views, int(std::size(kIconSizes)), pngs);
    for (cairo_surface_t* image : images) cairo_surface_destroy(image);
    const std::string path = PathIn(folder, "app.ico");
    return Report(!bytes.empty() && WriteFileBytes(path.c_str(), bytes), path);
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// The skins of a larger set, each painted at its scale.
bool WriteLargerSet(const SkinFonts& fonts, const char* folder, SkinSet set) {
    const int dpi = SkinSetDpi(set);
    for (const SkinScreen& screen : SkinScreens()) {
        cairo_surface_t* skin = PaintSkin(fonts, screen, dpi);
        char name[32];
        std::snprintf(name, sizeof name, "skin_%d_%d", int(screen.id), dpi * 100 / kLayoutDpi);
        const std::string stem = PathIn(folder, name);
        const bool ok = Report(cairo_surface_status(skin) == CAIRO_STATUS_SUCCESS, stem) && WriteSkin(skin, stem);
        cairo_surface_destroy(skin);
        if (!ok) return false;
    }
    return true;
}

}  // namespace

PixelView ViewOf(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    return {cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
            cairo_image_surface_get_height(surface), cairo_image_surface_get_stride(surface)};
}

cairo_surface_t* PaintAppIcon(int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    const double s = size;
    RoundedBoxPath(cr, {0, 0, s, s}, s * 0.2);
    SetColour(cr, kPageColour);
    cairo_fill(cr);
    const double pad = s <= 16 ? 0 : s * 0.1;
    DrawHeadsetGlyph(cr, {pad, pad, s - pad, s - pad}, kButtonColour);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

std::vector<uint8_t> EncodePng(cairo_surface_t* surface) {
    std::vector<uint8_t> bytes;
    if (cairo_surface_write_to_png_stream(surface, AppendBytes, &bytes) != CAIRO_STATUS_SUCCESS) bytes.clear();
    return bytes;
}

bool WriteSkinOutputs(const SkinFonts& fonts, const char* folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return Report(false, folder);
    cairo_surface_t* skins[kSkinCount] = {};
    bool ok = true;
    for (int i = 0; i < kSkinCount && ok; ++i) {
        const SkinScreen& screen = SkinScreens()[size_t(i)];
        skins[i] = PaintSkin(fonts, screen);
        const std::string stem = PathIn(folder, "skin_" + std::to_string(int(screen.id)));
        ok = Report(cairo_surface_status(skins[i]) == CAIRO_STATUS_SUCCESS, stem) && WriteSkin(skins[i], stem);
    }
    if (ok) {
        cairo_surface_t* sheet = PaintContactSheet(fonts, skins);
        ok = WritePng(sheet, PathIn(folder, "contact_sheet.png"));
        cairo_surface_destroy(sheet);
    }
    for (cairo_surface_t* skin : skins) {
        if (skin != nullptr) cairo_surface_destroy(skin);
    }
    return ok && WriteLargerSet(fonts, folder, SkinSet150) && WriteLargerSet(fonts, folder, SkinSet200) &&
           WriteIcon(folder);
}
