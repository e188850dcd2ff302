// Text and shape placement for the screen elements.
#include "tools/skin_painter/skin_placement.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kHeadlineSize = 28;
constexpr double kNoteSize = 15;
constexpr double kButtonLabelSize = 17;
constexpr double kLinkSize = 15;

struct Look {
    FaceId face;
    double size;
    Rgb colour;
};

// Body text has the size of the label font, so a line and a control's text
// beside it look alike.
Look StyleLook(const SkinFonts& fonts, const SkinElement& element) {
    switch (element.style) {
    case StyleHeadline: return {FaceSemibold, kHeadlineSize, kHeadlineColour};
    case StyleNote: return {FaceRegular, kNoteSize, kMutedColour};
    case StyleControlFont: return {FaceRegular, EmForCell(fonts, ControlCellHeight(element.control)), kWhite};
    case StyleBody: break;
    }
    return {FaceRegular, EmForCell(fonts, kFontLayout[FontLabel].cellHeight), kBodyColour};
}

bool HasControl(const SkinElement& element) { return element.control != ControlSkinView; }

// Origin for an ink extent so that the anchor rule holds, on whole pixels:
// cairo draws glyphs at whole-pixel positions.
double AnchoredOrigin(const SkinElement& element, const Box& ink, double centreX) {
    const Box control = ControlBox(element.control);
    switch (element.anchor) {
    case AnchorCentre: return std::round(centreX - (ink.left + ink.right) / 2);
    case AnchorEndBefore: return std::round(control.left - element.gap - ink.right);
    case AnchorAfter: return std::round(control.right + element.gap - ink.left);
    case AnchorLeft: break;
    }
    return element.x;
}

TextPlacement Place(const Look& look, const TextInk& measured, double originX, double baseline) {
    return {look.face, look.size, look.colour, originX, baseline,
            Shifted(measured.ink, originX, baseline)};
}

// Labels are centred on the cap height, so every label of a row shares its
// baseline whatever its descenders.
TextPlacement PlaceButtonLabel(const SkinFonts& fonts, const SkinElement& element) {
    const Look look = {FaceSemibold, kButtonLabelSize,
                       element.look == LookDisabled ? kDisabledLabelColour : kWhite};
    const TextInk measured = MeasureText(fonts, look.face, look.size, element.text);
    const double capHeight = -MeasureText(fonts, look.face, look.size, "H").ink.top;
    const Box button = ButtonBox(element.zone);
    const double originX = std::round((button.left + button.right) / 2 - (measured.ink.left + measured.ink.right) / 2);
    const double baseline = std::round((button.top + button.bottom) / 2 + capHeight / 2);
    return Place(look, measured, originX, baseline);
}

// The link's ink is centred in its zone, which it fills closely.
TextPlacement PlaceLink(const SkinFonts& fonts, const SkinElement& element) {
    const Look look = {FaceRegular, kLinkSize, kLinkColour};
    const TextInk measured = MeasureText(fonts, look.face, look.size, element.text);
    const Box zone = Inset(ZoneBox(Zone(element.zone)), kButtonInset);
    const double originX = zone.left - std::floor(measured.ink.left);
    const double baseline = std::round((zone.top + zone.bottom) / 2 - (measured.ink.top + measured.ink.bottom) / 2);
    return Place(look, measured, originX, baseline);
}

// The box's words sit on the chosen firmware's line: centred as an
// invitation, or ending just before the chosen entry's text.
TextPlacement PlaceBoxText(const SkinFonts& fonts, const SkinElement& element) {
    const Look look = {FaceRegular, EmForCell(fonts, ControlCellHeight(element.control)),
                       element.anchor == AnchorCentre ? kLinkColour : kBodyColour};
    const TextInk measured = MeasureText(fonts, look.face, look.size, element.text);
    const Box box = ZoneBox(Zone(element.zone));
    const double originX = AnchoredOrigin(element, measured.ink, (box.left + box.right) / 2);
    return Place(look, measured, originX, ControlBaseline(fonts, element.control));
}

}  // namespace

TextPlacement PlaceText(const SkinFonts& fonts, const SkinElement& element) {
    switch (element.kind) {
    case ElementButton: return PlaceButtonLabel(fonts, element);
    case ElementLink: return PlaceLink(fonts, element);
    case ElementFirmwareBox: return PlaceBoxText(fonts, element);
    default: break;
    }
    const Look look = StyleLook(fonts, element);
    const TextInk measured = MeasureText(fonts, look.face, look.size, element.text);
    const double baseline = (HasControl(element) ? ControlBaseline(fonts, element.control) : 0) + element.baseline;
    return Place(look, measured, AnchoredOrigin(element, measured.ink, element.x), baseline);
}

Box ElementShape(const SkinFonts& fonts, const SkinElement& element) {
    switch (element.kind) {
    case ElementButton: return ButtonBox(element.zone);
    case ElementFirmwareBox: return ZoneBox(Zone(element.zone));
    case ElementProgressTrack: return Inset(ControlBox(element.control), -kTrackBorder);
    case ElementDevice:
    case ElementNote:
    case ElementWarningSign: return RectBox(element.box);
    case ElementLink: {
        const TextPlacement link = PlaceText(fonts, element);
        Box shape = link.ink;
        shape.bottom = std::max(shape.bottom, link.baseline + kUnderlineOffset + kUnderlineThickness);
        return shape;
    }
    case ElementText: break;
    }
    return PlaceText(fonts, element).ink;
}
