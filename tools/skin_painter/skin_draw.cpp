// Drawing primitives for the skins: page, title strip, texts, buttons, the
// firmware box, the progress track, notes and device drawings.
#include "tools/skin_painter/skin_draw.h"

#include <cmath>

#include "tools/skin_painter/device_art.h"
#include "tools/skin_painter/skin_placement.h"

namespace {

constexpr double kCornerRadius = 6;
constexpr double kTitleSize = 14;
constexpr int kTitleBaseline = 25;
constexpr double kTitleLogoX = 16;
constexpr double kTitleTextX = 40;
constexpr Rgb kTitleColour = {176, 186, 196};
constexpr Rgb kGlyphColour = {192, 200, 208};
constexpr Rgb kGlyphDimColour = {70, 80, 90};
constexpr double kDimmedAlpha = 0.4;

// `box` moved to the nearest whole pixels of the picture (halves up, as the
// window places its controls at every scale), for what must meet a control
// or the picture's edge exactly. At 100 % the layout is on whole pixels.
Box DeviceAligned(cairo_t* cr, const Box& box) {
    double left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    cairo_user_to_device(cr, &left, &top);
    cairo_user_to_device(cr, &right, &bottom);
    left = std::floor(left + 0.5);
    top = std::floor(top + 0.5);
    right = std::floor(right + 0.5);
    bottom = std::floor(bottom + 0.5);
    cairo_device_to_user(cr, &left, &top);
    cairo_device_to_user(cr, &right, &bottom);
    return {left, top, right, bottom};
}

void FillBox(cairo_t* cr, const Box& box, Rgb colour) {
    cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
    SetColour(cr, colour);
    cairo_fill(cr);
}

// A one-pixel line along the inside of `box`.
void StrokeInside(cairo_t* cr, const Box& box, double radius, Rgb colour) {
    RoundedBoxPath(cr, Inset(box, 0.5), radius - 0.5);
    SetColour(cr, colour);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void DrawText(cairo_t* cr, const SkinFonts& fonts, const TextPlacement& text, const char* string) {
    SelectFont(cr, fonts, text.face, text.size);
    SetColour(cr, text.colour);
    cairo_move_to(cr, text.originX, text.baseline);
    cairo_show_text(cr, string);
}

// Minimise bar, dimmed maximise square and close cross, each inside its
// glyph bounds with a pixel to spare.
void DrawWindowGlyphs(cairo_t* cr) {
    const Box minimise = Inset(ZoneBox(kMinimiseGlyph), 1);
    const double barY = (minimise.top + minimise.bottom) / 2;
    FillBox(cr, {minimise.left, barY, minimise.right, barY + 2}, kGlyphColour);

    const Box maximise = Inset(ZoneBox(kMaximiseGlyph), 1);
    StrokeInside(cr, maximise, 0.5, kGlyphDimColour);

    const Box close = Inset(ZoneBox(kCloseGlyph), 2);
    cairo_move_to(cr, close.left, close.top);
    cairo_line_to(cr, close.right, close.bottom);
    cairo_move_to(cr, close.right, close.top);
    cairo_line_to(cr, close.left, close.bottom);
    SetColour(cr, kGlyphColour);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
}

void DrawTitleStrip(cairo_t* cr, const SkinFonts& fonts) {
    FillBox(cr, {0, 0, double(kWindowWidth), double(kTitleStripHeight)}, kStripColour);
    FillBox(cr, {0, double(kTitleStripHeight), double(kWindowWidth), kTitleStripHeight + 1.0}, kStripLineColour);
    const double logo = 16;
    DrawHeadsetGlyph(cr, {kTitleLogoX, kTitleBaseline - logo + 2, kTitleLogoX + logo, kTitleBaseline + 2.0},
                     kButtonColour);
    SelectFont(cr, fonts, FaceSemibold, kTitleSize);
    SetColour(cr, kTitleColour);
    cairo_move_to(cr, kTitleTextX, kTitleBaseline);
    cairo_show_text(cr, kWordsTitle);
    DrawWindowGlyphs(cr);
}

// The warning panel: black with a blue border.
void DrawPanelFrame(cairo_t* cr, const Box& layoutPanel) {
    const Box panel = DeviceAligned(cr, layoutPanel);
    FillBox(cr, panel, kPanelColour);
    cairo_rectangle(cr, panel.left + 1, panel.top + 1, panel.Width() - 2, panel.Height() - 2);
    SetColour(cr, kAccentColour);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void DrawButton(cairo_t* cr, const SkinFonts& fonts, const SkinElement& element) {
    const Box button = ButtonBox(element.zone);
    RoundedBoxPath(cr, button, kCornerRadius);
    switch (element.look) {
    case LookPrimary:
        SetColour(cr, kButtonColour);
        cairo_fill(cr);
        break;
    case LookSecondary:
        SetColour(cr, kBoxColour);
        cairo_fill(cr);
        StrokeInside(cr, button, kCornerRadius, kButtonColour);
        break;
    case LookDisabled:
        SetColour(cr, kDisabledFillColour);
        cairo_fill(cr);
        break;
    }
    DrawText(cr, fonts, PlaceText(fonts, element), element.text);
}

// The invitation has a dashed accent border; once a file is chosen the border is solid.
void DrawFirmwareBox(cairo_t* cr, const SkinFonts& fonts, const SkinElement& element) {
    const Box box = ZoneBox(Zone(element.zone));
    RoundedBoxPath(cr, box, kCornerRadius);
    SetColour(cr, kBoxColour);
    cairo_fill(cr);
    const bool inviting = element.anchor == AnchorCentre;
    if (inviting) {
        const double dashes[] = {5, 4};
        cairo_set_dash(cr, dashes, 2, 0);
    }
    StrokeInside(cr, box, kCornerRadius, inviting ? kAccentColour : kTrackBorderColour);
    cairo_set_dash(cr, nullptr, 0, 0);
    DrawText(cr, fonts, PlaceText(fonts, element), element.text);
}

// Exactly the bar's rectangle, dark, with its border just outside.
void DrawProgressTrack(cairo_t* cr, const SkinElement& element) {
    const Box bar = DeviceAligned(cr, ControlBox(element.control));
    FillBox(cr, Inset(bar, -kTrackBorder), kTrackBorderColour);
    FillBox(cr, bar, kTrackColour);
}

void DrawLink(cairo_t* cr, const SkinFonts& fonts, const SkinElement& element) {
    const TextPlacement link = PlaceText(fonts, element);
    DrawText(cr, fonts, link, element.text);
    const double underline = link.baseline + kUnderlineOffset;
    FillBox(cr, {link.ink.left, underline, link.ink.right, underline + kUnderlineThickness}, kLinkColour);
}

void DrawNote(cairo_t* cr, const SkinElement& element) {
    const Box box = RectBox(element.box);
    StrokeInside(cr, box, kCornerRadius, kStripLineColour);
}

void DrawDevice(cairo_t* cr, const SkinElement& element) {
    if (element.dimmed) cairo_push_group(cr);
    if (element.device == DrawingHeadset) {
        DrawHeadset(cr, RectBox(element.box));
    } else {
        DrawAdapter(cr, RectBox(element.box));
    }
    if (element.dimmed) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, kDimmedAlpha);
    }
}

void DrawElement(cairo_t* cr, const SkinFonts& fonts, const SkinElement& element) {
    // Text leaves a current point behind; an arc would otherwise join it with a line.
    cairo_new_path(cr);
    switch (element.kind) {
    case ElementText: DrawText(cr, fonts, PlaceText(fonts, element), element.text); break;
    case ElementButton: DrawButton(cr, fonts, element); break;
    case ElementFirmwareBox: DrawFirmwareBox(cr, fonts, element); break;
    case ElementProgressTrack: DrawProgressTrack(cr, element); break;
    case ElementLink: DrawLink(cr, fonts, element); break;
    case ElementDevice: DrawDevice(cr, element); break;
    case ElementNote: DrawNote(cr, element); break;
    case ElementWarningSign: DrawWarningSign(cr, RectBox(element.box), kButtonColour, kPanelColour); break;
    }
}

}  // namespace

cairo_surface_t* PaintSkin(const SkinFonts& fonts, const SkinScreen& screen, int dpi) {
    const PixelRect canvas = SkinCanvas(screen.id);
    const PixelRect device = ToDevice(canvas, dpi);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, device.width, device.height);
    cairo_t* cr = cairo_create(surface);
    // Everything is placed in window pixels; the panel's picture starts at
    // its control, which the window puts on a whole pixel at every scale.
    cairo_translate(cr, -device.x, -device.y);
    if (dpi != kLayoutDpi) cairo_scale(cr, double(dpi) / kLayoutDpi, double(dpi) / kLayoutDpi);
    if (screen.id == SkinWarning) {
        DrawPanelFrame(cr, RectBox(canvas));
    } else {
        FillBox(cr, RectBox(canvas), kPageColour);
        DrawTitleStrip(cr, fonts);
    }
    for (const std::span<const SkinElement>& part : screen.parts) {
        for (const SkinElement& element : part) DrawElement(cr, fonts, element);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}
