// The keyboard's focus: its order, its default on each screen, and the keys.
#include "ui/keyboard_focus.h"

#include "app/updater_state.h"
#include "ui/pointer_input.h"
#include "ui/zone_state.h"

namespace {

HitZone Focused(const UpdaterState& state) { return static_cast<HitZone>(state.keyboard.zone); }

FocusNews MoveTo(UpdaterState& state, HitZone to) {
    FocusNews news;
    news.from = Focused(state);
    news.to = to;
    news.focusMoved = news.from != to;
    state.keyboard.zone = to;
    return news;
}

bool InFocusOrder(const UpdaterState& state, HitZone zone) {
    HitZone order[kMaxScreenZones];
    const int count = FocusOrder(state, order);
    for (int i = 0; i < count; ++i) {
        if (order[i] == zone) return true;
    }
    return false;
}

// Tab and Shift+Tab, wrapping at both ends. From a focus outside the order
// (none, or a zone that stopped answering) Tab starts at the first zone and
// Shift+Tab at the last.
FocusNews Step(UpdaterState& state, bool backwards) {
    HitZone order[kMaxScreenZones];
    const int count = FocusOrder(state, order);
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (order[i] == Focused(state)) at = i;
    }
    int next = backwards ? count - 1 : 0;
    if (at >= 0) next = (at + (backwards ? count - 1 : 1)) % count;
    FocusNews news = MoveTo(state, count > 0 ? order[next] : kNoZone);
    news.ringAppeared = state.keyboard.ringShown == 0;
    state.keyboard.ringShown = 1;
    return news;
}

}  // namespace

int PaintedZones(SkinId skin, bool panel, HitZone out[kMaxScreenZones]) {
    const ScreenWords& words = WordsOf(panel ? SkinWarning : skin);
    int count = 0;
    for (const ScreenButton& button : words.buttons) {
        if (button.zone != kNoZone) out[count++] = button.zone;
    }
    for (HitZone glyph : kTitleGlyphZones) out[count++] = glyph;
    return count;
}

int FocusOrder(const UpdaterState& state, HitZone out[kMaxScreenZones]) {
    HitZone painted[kMaxScreenZones];
    const int count = PaintedZones(static_cast<SkinId>(state.keyboard.skin), state.keyboard.panel != 0, painted);
    int live = 0;
    for (int i = 0; i < count; ++i) {
        if (ZoneAnswers(state, painted[i])) out[live++] = painted[i];
    }
    return live;
}

FocusNews FollowScreen(UpdaterState& state, SkinId skin, bool panel) {
    KeyboardFocus& keyboard = state.keyboard;
    if (keyboard.skin == skin && (keyboard.panel != 0) == panel) return {};
    keyboard.skin = skin;
    keyboard.panel = panel ? 1 : 0;
    FocusNews news = MoveTo(state, WordsOf(panel ? SkinWarning : skin).mainAction);
    news.screenChanged = true;
    return news;
}

FocusNews OnKey(UpdaterState& state, Key key, bool shift) {
    switch (key) {
        case KeyTab:
            return Step(state, shift);
        case KeyEnter:
        case KeySpace:
            if (Focused(state) != kNoZone) PressZone(state, Focused(state));
            return {};
        case KeyEscape:
            if (InFocusOrder(state, ZoneGotIt)) {
                PressZone(state, ZoneGotIt);
            } else if (InFocusOrder(state, ZoneCancel)) {
                PressZone(state, ZoneCancel);
            }
            return {};
        case KeyAltF4:
            PressZone(state, ZoneCloseGlyph);
            return {};
    }
    return {};
}

HitZone FocusRingZone(const UpdaterState& state) {
    return state.keyboard.ringShown != 0 ? Focused(state) : kNoZone;
}
