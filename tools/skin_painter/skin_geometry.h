// Geometry the skin painter derives from the window layout: the shapes it
// paints are computed from the hit zones and control rectangles, so that a
// painted button always lies inside the zone that answers it.
#pragma once

#include "ui/layout.h"

// A box in continuous pixel coordinates: a pixel column x covers x..x+1.
struct Box {
    double left, top, right, bottom;
    constexpr double Width() const { return right - left; }
    constexpr double Height() const { return bottom - top; }
};

// The pixels of an inclusive zone as a continuous box.
constexpr Box ZoneBox(const ZoneBounds& zone) {
    return {double(zone.xMin), double(zone.yMin), double(zone.xMax + 1), double(zone.yMax + 1)};
}

constexpr Box RectBox(const PixelRect& rect) {
    return {double(rect.x), double(rect.y), double(rect.x + rect.width), double(rect.y + rect.height)};
}

constexpr Box Inset(const Box& box, double by) {
    return {box.left + by, box.top + by, box.right - by, box.bottom - by};
}

constexpr Box Shifted(const Box& box, double dx, double dy) {
    return {box.left + dx, box.top + dy, box.right + dx, box.bottom + dy};
}

// True when `inner` lies inside `outer` with at least `margin` to spare on every side.
constexpr bool LiesInside(const Box& inner, const Box& outer, double margin = 0) {
    return inner.left >= outer.left + margin && inner.top >= outer.top + margin &&
           inner.right <= outer.right - margin && inner.bottom <= outer.bottom - margin;
}

constexpr bool Overlaps(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Painted buttons keep this much of their zone free on every side, so a
// press on the visible edge of a button always lands in the zone.
inline constexpr double kButtonInset = 2;

constexpr Box ButtonBox(HitZone zone) { return Inset(ZoneBox(Zone(zone)), kButtonInset); }

constexpr const ControlLayout& ControlById(ControlId id) {
    for (const ControlLayout& control : kControlLayout) {
        if (control.id == id) return control;
    }
    return kControlLayout[0];
}

constexpr Box ControlBox(ControlId id) { return RectBox(ControlById(id).rect); }

constexpr int ControlCellHeight(ControlId id) { return kFontLayout[ControlById(id).font].cellHeight; }

// The full-window skins fill the client area; the warning panel sits at its
// control's position, so its zone (in window pixels) is moved by that offset.
constexpr PixelRect SkinCanvas(SkinId skin) {
    return skin == SkinWarning ? ControlById(ControlWarningPanel).rect
                               : PixelRect{0, 0, kWindowWidth, kWindowHeight};
}

// A window-pixel box in the coordinates of the skin's own picture.
constexpr Box InSkinPixels(SkinId skin, const Box& windowBox) {
    const PixelRect canvas = SkinCanvas(skin);
    return Shifted(windowBox, -canvas.x, -canvas.y);
}
