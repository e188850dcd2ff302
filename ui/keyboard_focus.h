// The keyboard over the painted buttons: Tab and Shift+Tab move a focus
// through the zones that answer on the screen, Enter and Space press the
// focused zone, Esc answers as Cancel (and as GOT IT on the warning), and
// Alt+F4 is a close attempt; when a screen appears, its main action takes
// the focus, so Enter alone moves a person forward. UI thread only.
#pragma once

#include "ui/screen_texts.h"

struct UpdaterState;

enum Key {
    KeyTab,
    KeyEnter,
    KeySpace,
    KeyEscape,
    KeyAltF4,
};

// The title-bar glyphs, painted on every full-window skin and always last
// in the focus order.
inline constexpr HitZone kTitleGlyphZones[] = {ZoneMinimiseGlyph, ZoneCloseGlyph};
inline constexpr int kMaxScreenZones = kMaxScreenButtons + 2;

// What a screen change or a key did to the focus, for the window to repaint
// the ring and tell assistive technology.
struct FocusNews {
    bool screenChanged = false;  // another skin, or the warning panel came or went
    bool focusMoved = false;
    bool ringAppeared = false;   // the keyboard was used for the first time
    HitZone from = kNoZone;
    HitZone to = kNoZone;
};

// The zones painted on the screen: `skin`, or the warning panel over it;
// in reading order, the title-bar glyphs last. Returns how many.
int PaintedZones(SkinId skin, bool panel, HitZone out[kMaxScreenZones]);

// The zones Tab visits now: those painted on the screen last followed that
// answer in the present state. Returns how many.
int FocusOrder(const UpdaterState& state, HitZone out[kMaxScreenZones]);

// Called after anything that may have changed the screen, with the skin on
// skinView and whether the warning panel shows. On another screen than the
// focus was chosen for, that screen's main action takes the focus (none on
// a screen without one).
FocusNews FollowScreen(UpdaterState& state, SkinId skin, bool panel);

// A key pressed in the main window (not an automatic repeat of Enter,
// Space or Esc: a held key must not walk through screens). Shift matters to
// Tab only. The window reports a screen the key changed by FollowScreen.
FocusNews OnKey(UpdaterState& state, Key key, bool shift);

// The zone to draw the focus ring around, or kNoZone: the focus, once the
// keyboard has moved it.
HitZone FocusRingZone(const UpdaterState& state);
