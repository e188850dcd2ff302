// The main window's layout as data: where each control sits and how it
// draws, and the hit zones that stand for the painted buttons. The window
// build, the pointer handling and the skin painter all read these tables,
// so a painted button and the zone that answers it cannot disagree.
#pragma once

#include <cstdint>

#include "ui/controls.h"

inline constexpr int kWindowWidth = 800;
inline constexpr int kWindowHeight = 550;

struct Rgb {
    uint8_t r, g, b;
};

// Client-pixel rectangle: top-left corner, width and height.
struct PixelRect {
    int x, y, width, height;
};

enum ControlKind {
    KindBitmap,      // SS_BITMAP
    KindWrapText,    // left-aligned, word-wrapping text
    KindSimpleText,  // SS_SIMPLE one-line text
};

// How a text control answers the colour question before it paints.
enum ColourRule {
    ColourBackground,   // skinView, warningPanel: the black background brush
    ColourWhite,        // white text, transparent background, empty brush
    ColourRed,          // red text, transparent background, empty brush
    ColourProgressBar,  // text and text background the bar colour, opaque
    ColourBody,         // the skins' body text colour, transparent background, empty brush
};

struct ControlLayout {
    ControlId id;
    ControlKind kind;
    PixelRect rect;
    int font;  // a FontId, or -1 for none
    ColourRule colour;
    bool initiallyVisible;
};

// In creation order; the skin is the bottom layer.
inline constexpr ControlLayout kControlLayout[] = {
    {ControlSkinView, KindBitmap, {0, 0, 800, 550}, -1, ColourBackground, true},
    {ControlCurrentVersionText, KindWrapText, {270, 163, 34, 24}, FontLabel, ColourWhite, false},
    {ControlChosenFirmwareText, KindWrapText, {232, 241, 50, 34}, FontChosen, ColourWhite, false},
    {ControlProgressText, KindSimpleText, {38, 227, 400, 52}, FontProgress, ColourProgressBar, true},
    {ControlNewVersionText, KindWrapText, {167, 189, 50, 50}, FontNewVersion, ColourWhite, false},
    {ControlPercentText, KindSimpleText, {42, 200, 50, 24}, FontPercent, ColourWhite, true},
    {ControlPowerCycleText, KindWrapText, {43, 209, 500, 100}, FontLabel, ColourRed, false},
    // Under the Try Again and Cancel buttons, left of the device drawing;
    // room for a reason that names a long file.
    {ControlReasonText, KindWrapText, {38, 344, 430, 120}, FontLabel, ColourBody, false},
    {ControlWarningPanel, KindBitmap, {101, 85, 599, 380}, -1, ColourBackground, false},
};

inline constexpr char kPowerCycleText[] = "               Power Cycle the Adapter\nto complete the Update.";

inline constexpr Rgb kBackgroundColour = {0, 0, 0};
inline constexpr Rgb kWhite = {255, 255, 255};
inline constexpr Rgb kRed = {255, 0, 0};
inline constexpr Rgb kProgressBarColour = {37, 121, 173};  // COLORREF 0xAD7925
// The colour of the skins' body text, which the reason line shares.
inline constexpr Rgb kBodyTextColour = {201, 209, 217};

struct FontLayout {
    FontId id;
    const char* face;
    int cellHeight;  // pixels
    int averageWidth;
    int weight;
};

// In creation order.
inline constexpr FontLayout kFontLayout[FontCount] = {
    {FontLabel, "Open Sans", 24, 0, 400},
    {FontChosen, "Open Sans", 24, 0, 400},
    {FontProgress, "Arial", 52, 1, 300},
    {FontNewVersion, "Open Sans", 30, 0, 400},
    {FontPercent, "Open Sans", 24, 0, 400},
};

inline constexpr char kPrivateFontFile[] = "./OpenSans-Regular.ttf";

// --- Hit zones ---

// Inclusive client-pixel bounds.
struct ZoneBounds {
    int xMin, xMax, yMin, yMax;
    constexpr bool Contains(int x, int y) const { return x >= xMin && x <= xMax && y >= yMin && y <= yMax; }
};

// Numbered as they are tested, in this order, on every left-button press.
enum HitZone {
    ZoneDragBand = 1,
    ZoneContinue,
    ZoneCloseGlyph,
    ZoneMinimiseGlyph,
    ZoneFirmwareBox,
    ZoneCancel,
    ZoneTryAgain,
    ZoneUpdate,
    ZoneVerify,
    ZoneDoneVerified,
    ZoneDoneUpdated,
    ZoneHelpLink,
    ZoneGotIt,
};
inline constexpr int kHitZoneCount = 13;

// Indexed by HitZone - 1.
inline constexpr ZoneBounds kHitZones[kHitZoneCount] = {
    {50, 689, 0, 50},     // drag band
    {315, 476, 368, 416}, // Continue (intro)
    {770, 783, 13, 26},   // close glyph
    {698, 711, 13, 26},   // minimise glyph
    {38, 364, 229, 277},  // firmware box
    {204, 362, 272, 320}, // Cancel (failed and mismatch skins)
    {39, 197, 272, 320},  // Try Again (failed and mismatch skins)
    {204, 362, 292, 340}, // Update (actions skins)
    {38, 196, 292, 340},  // Verify (actions skins)
    {39, 200, 272, 320},  // Done (verified skins)
    {36, 197, 374, 422},  // Done (updated skins)
    {227, 326, 224, 241}, // help link (updated skins)
    {190, 309, 345, 379}, // GOT IT (warning panel, in main-window pixels)
};

constexpr const ZoneBounds& Zone(HitZone zone) { return kHitZones[zone - 1]; }

// The glyphs of the title strip, painted into every full-window skin. The
// maximise square is drawn dimmed and answers nothing.
inline constexpr ZoneBounds kMinimiseGlyph = {697, 710, 13, 27};
inline constexpr ZoneBounds kMaximiseGlyph = {734, 747, 13, 27};
inline constexpr ZoneBounds kCloseGlyph = {769, 783, 13, 27};

// The keyboard's focus ring: a frame in the skins' accent colour around the
// focused zone, clear of the button painted inside it (buttons keep two
// pixels of their zone free, the ring keeps three more outside).
inline constexpr Rgb kFocusRingColour = kProgressBarColour;
inline constexpr int kFocusRingOutset = 3;
inline constexpr int kFocusRingWidth = 2;

// The ring's outer edge in client pixels.
constexpr PixelRect FocusRingRect(HitZone zone) {
    const ZoneBounds& z = Zone(zone);
    return {z.xMin - kFocusRingOutset, z.yMin - kFocusRingOutset, z.xMax - z.xMin + 1 + 2 * kFocusRingOutset,
            z.yMax - z.yMin + 1 + 2 * kFocusRingOutset};
}
