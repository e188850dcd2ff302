// The drawings are made in a small design space of their own and scaled into
// the box they are given.
#include "tools/skin_painter/device_art.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

constexpr Rgb kShellLight = {62, 73, 84};
constexpr Rgb kShellDark = {28, 34, 40};
constexpr Rgb kBand = {50, 60, 70};
constexpr Rgb kCushion = {19, 23, 27};
constexpr Rgb kMetalLight = {205, 212, 219};
constexpr Rgb kMetalDark = {132, 143, 154};
constexpr Rgb kHole = {28, 34, 40};
constexpr Rgb kEdge = {78, 91, 104};
constexpr Rgb kAccent = kProgressBarColour;
constexpr Rgb kAccentLight = {94, 176, 234};

// Maps a design space of `width` x `height` units onto the middle of `box`.
void EnterDesignSpace(cairo_t* cr, const Box& box, double width, double height) {
    const double scale = std::min(box.Width() / width, box.Height() / height);
    cairo_translate(cr, (box.left + box.right - width * scale) / 2, (box.top + box.bottom - height * scale) / 2);
    cairo_scale(cr, scale, scale);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    RoundedBoxPath(cr, {x, y, x + w, y + h}, r);
}

void FillVertical(cairo_t* cr, double top, double bottom, Rgb from, Rgb to) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, top, 0, bottom);
    cairo_pattern_add_color_stop_rgb(gradient, 0, from.r / 255.0, from.g / 255.0, from.b / 255.0);
    cairo_pattern_add_color_stop_rgb(gradient, 1, to.r / 255.0, to.g / 255.0, to.b / 255.0);
    cairo_set_source(cr, gradient);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gradient);
}

// A soft accent halo behind a device, and its shadow on the floor.
void Backdrop(cairo_t* cr, double cx, double cy, double radius, double floorY, double floorWidth) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    cairo_pattern_add_color_stop_rgba(glow, 0, kAccent.r / 255.0, kAccent.g / 255.0, kAccent.b / 255.0, 0.22);
    cairo_pattern_add_color_stop_rgba(glow, 1, kAccent.r / 255.0, kAccent.g / 255.0, kAccent.b / 255.0, 0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, cx, cy, radius, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    cairo_save(cr);
    cairo_translate(cr, cx, floorY);
    cairo_scale(cr, floorWidth / 2, 5);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_fill(cr);
}

// One ear cup at x (its outer edge), facing the middle: `side` -1 left, +1 right.
void EarCup(cairo_t* cr, double outerX, int side) {
    const double cupWidth = 36, cupTop = 100, cupHeight = 72;
    const double x = side < 0 ? outerX : outerX - cupWidth;
    const double cushionX = side < 0 ? x + cupWidth - 4 : x - 10;
    RoundedRect(cr, cushionX, cupTop + 6, 14, cupHeight - 12, 6);
    SetColour(cr, kCushion);
    cairo_fill(cr);
    RoundedRect(cr, x, cupTop, cupWidth, cupHeight, 15);
    FillVertical(cr, cupTop, cupTop + cupHeight, kShellLight, kShellDark);
    SetColour(cr, kEdge);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // The accent ring on the outer plate.
    RoundedRect(cr, x + 8, cupTop + 12, cupWidth - 16, cupHeight - 24, 9);
    SetColour(cr, kAccentLight);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

}  // namespace

void RoundedBoxPath(cairo_t* cr, const Box& box, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, box.right - radius, box.top + radius, radius, -kPi / 2, 0);
    cairo_arc(cr, box.right - radius, box.bottom - radius, radius, 0, kPi / 2);
    cairo_arc(cr, box.left + radius, box.bottom - radius, radius, kPi / 2, kPi);
    cairo_arc(cr, box.left + radius, box.top + radius, radius, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void SetColour(cairo_t* cr, Rgb colour, double alpha) {
    cairo_set_source_rgba(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0, alpha);
}

// Design space 200 x 200: band on top, cups below, a boom microphone on the left.
void DrawHeadset(cairo_t* cr, const Box& box) {
    cairo_save(cr);
    EnterDesignSpace(cr, box, 200, 200);
    Backdrop(cr, 100, 108, 92, 188, 150);

    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    // Sliders from the band's ends down into the cups.
    for (double x : {37.0, 157.0}) {
        RoundedRect(cr, x, 78, 6, 30, 3);
        SetColour(cr, kMetalDark);
        cairo_fill(cr);
    }
    cairo_arc(cr, 100, 104, 66, kPi + 0.42, 2 * kPi - 0.42);
    SetColour(cr, kBand);
    cairo_set_line_width(cr, 13);
    cairo_stroke(cr);
    cairo_arc(cr, 100, 104, 60, kPi + 0.6, 2 * kPi - 0.6);
    SetColour(cr, kCushion);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_arc(cr, 100, 104, 70, kPi + 0.9, 2 * kPi - 0.9);
    SetColour(cr, kAccent);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);

    // Boom microphone, behind the left cup.
    cairo_move_to(cr, 40, 160);
    cairo_curve_to(cr, 44, 182, 64, 186, 84, 180);
    SetColour(cr, kBand);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    cairo_arc(cr, 86, 179, 4.5, 0, 2 * kPi);
    SetColour(cr, kAccentLight);
    cairo_fill(cr);

    EarCup(cr, 18, -1);
    EarCup(cr, 182, +1);
    cairo_restore(cr);
}

// Design space 100 x 200: a USB-A plug on top of a small rounded body.
void DrawAdapter(cairo_t* cr, const Box& box) {
    cairo_save(cr);
    EnterDesignSpace(cr, box, 100, 200);
    Backdrop(cr, 50, 104, 50, 188, 70);

    cairo_rectangle(cr, 31, 22, 38, 50);
    FillVertical(cr, 22, 72, kMetalLight, kMetalDark);
    SetColour(cr, kEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    for (double x : {39.0, 54.0}) {
        cairo_rectangle(cr, x, 34, 7, 8);
        SetColour(cr, kHole);
        cairo_fill(cr);
    }

    RoundedRect(cr, 22, 68, 56, 110, 12);
    FillVertical(cr, 68, 178, kShellLight, kShellDark);
    SetColour(cr, kEdge);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // Status light and the emblem ring.
    RoundedRect(cr, 42, 86, 16, 4, 2);
    SetColour(cr, kAccentLight);
    cairo_fill(cr);
    cairo_arc(cr, 50, 132, 12, 0, 2 * kPi);
    SetColour(cr, kAccent);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    cairo_arc(cr, 50, 165, 3.5, 0, 2 * kPi);
    SetColour(cr, kCushion);
    cairo_fill(cr);
    cairo_restore(cr);
}

// Design space 40 x 36: a rounded triangle with an exclamation mark.
void DrawWarningSign(cairo_t* cr, const Box& box, Rgb colour, Rgb mark) {
    cairo_save(cr);
    EnterDesignSpace(cr, box, 40, 36);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, 20, 3);
    cairo_line_to(cr, 37, 33);
    cairo_line_to(cr, 3, 33);
    cairo_close_path(cr);
    SetColour(cr, colour);
    cairo_set_line_width(cr, 4);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
    RoundedRect(cr, 18.2, 12, 3.6, 12, 1.8);
    SetColour(cr, mark);
    cairo_fill(cr);
    cairo_arc(cr, 20, 28, 2.1, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_restore(cr);
}

// Design space 16 x 16, so the strokes stay whole pixels at the icon's 16 px.
void DrawHeadsetGlyph(cairo_t* cr, const Box& box, Rgb colour) {
    cairo_save(cr);
    EnterDesignSpace(cr, box, 16, 16);
    SetColour(cr, colour);
    cairo_arc(cr, 8, 9, 5.8, kPi, 2 * kPi);
    cairo_set_line_width(cr, 1.8);
    cairo_stroke(cr);
    RoundedRect(cr, 1.2, 8.2, 4, 6.6, 1.4);
    cairo_fill(cr);
    RoundedRect(cr, 10.8, 8.2, 4, 6.6, 1.4);
    cairo_fill(cr);
    cairo_restore(cr);
}
