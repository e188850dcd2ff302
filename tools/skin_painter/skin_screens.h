// What each of the 20 skins shows, as data: a short list of elements per
// screen (texts, buttons on their zones, the firmware box, the progress
// track, device drawings). The painter is a few primitives over this table.
#pragma once

#include <span>

#include "tools/skin_painter/skin_geometry.h"
#include "ui/screen_texts.h"

enum ElementKind : uint8_t {
    ElementText,           // one line of text
    ElementButton,         // rounded button inside its zone, label centred
    ElementFirmwareBox,    // fills its zone; its text sits on the chosen-firmware line
    ElementProgressTrack,  // empty track exactly under the progress bar control
    ElementLink,           // blue, underlined word inside its zone
    ElementDevice,         // drawing of a device inside `box`
    ElementNote,           // thin frame around a note's lines
    ElementWarningSign,    // warning triangle inside `box`
};

enum TextStyle : uint8_t {
    StyleHeadline,
    StyleBody,
    StyleNote,         // smaller, muted
    StyleControlFont,  // the size of `control`'s font, white: reads on with the control's text
};

// Where a text goes. With `control` set, `baseline` is an offset from that
// control's first baseline, so text can share a line with it.
enum TextAnchor : uint8_t {
    AnchorLeft,       // origin at x
    AnchorCentre,     // ink centred on x (in a firmware box: on the box)
    AnchorEndBefore,  // ink ends `gap` pixels before the control's left edge
    AnchorAfter,      // ink starts `gap` pixels after the control's right edge
};

enum ButtonLook : uint8_t { LookPrimary, LookSecondary, LookDisabled };

enum DeviceDrawing : uint8_t { DrawingHeadset, DrawingAdapter };

// Positions are window pixels, also on the warning panel.
struct SkinElement {
    ElementKind kind;
    const char* text = nullptr;
    TextStyle style = StyleBody;
    TextAnchor anchor = AnchorLeft;
    int x = 0;
    int baseline = 0;
    ControlId control = ControlSkinView;  // ControlSkinView: none
    int gap = 0;
    HitZone zone = ZoneDragBand;
    ButtonLook look = LookPrimary;
    DeviceDrawing device = DrawingHeadset;
    PixelRect box = {};
    bool dimmed = false;
};

inline constexpr int kMaxScreenParts = 4;
inline constexpr int kMaxClearControls = 2;

struct SkinScreen {
    SkinId id;
    const char* name;
    // Element lists painted in order; screens that differ in one detail share the rest.
    std::span<const SkinElement> parts[kMaxScreenParts];
    // Controls that draw over this skin: nothing may be painted under them.
    ControlId clearControls[kMaxClearControls];
    int clearCount;
};

// In resource load order (kSkinLoadOrder).
std::span<const SkinScreen> SkinScreens();
// Null when `skin` has no description.
const SkinScreen* FindSkinScreen(SkinId skin);
