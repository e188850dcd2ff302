// Where the painter puts each element's text and shape: the one place that
// turns the screen table into pixel positions, shared by the drawing and
// by the checks of the layout.
#pragma once

#include "tools/skin_painter/skin_fonts.h"
#include "tools/skin_painter/skin_screens.h"

// The palette: a near-black page, light text, and the progress bar's blue
// as the one accent.
inline constexpr Rgb kPageColour = {16, 20, 24};
inline constexpr Rgb kStripColour = {11, 14, 17};
inline constexpr Rgb kStripLineColour = {31, 38, 45};
inline constexpr Rgb kHeadlineColour = kWhite;
inline constexpr Rgb kBodyColour = kBodyTextColour;
inline constexpr Rgb kMutedColour = {139, 150, 161};
inline constexpr Rgb kAccentColour = kProgressBarColour;
inline constexpr Rgb kButtonColour = {74, 146, 191};  // a lighter tint of the accent
inline constexpr Rgb kLinkColour = {94, 176, 234};
inline constexpr Rgb kDisabledFillColour = {30, 38, 46};
inline constexpr Rgb kDisabledLabelColour = {92, 104, 116};
inline constexpr Rgb kTrackColour = {7, 9, 11};
inline constexpr Rgb kTrackBorderColour = {52, 64, 76};
inline constexpr Rgb kBoxColour = {22, 28, 34};
inline constexpr Rgb kPanelColour = kBackgroundColour;

struct TextPlacement {
    FaceId face;
    double size;
    Rgb colour;
    double originX;  // window pixels
    double baseline;
    Box ink;         // window pixels
};

// The text of a text, button, link or firmware-box element, placed.
TextPlacement PlaceText(const SkinFonts& fonts, const SkinElement& element);

// The painted shape of a button, firmware box, track, note, sign or device
// drawing, in window pixels; for text and links, the ink of the text.
Box ElementShape(const SkinFonts& fonts, const SkinElement& element);

// The link's underline, below its baseline.
inline constexpr double kUnderlineOffset = 2;
inline constexpr double kUnderlineThickness = 1;

// The progress track's border, drawn just outside the bar's rectangle so the
// bar covers the whole inside.
inline constexpr double kTrackBorder = 1;
