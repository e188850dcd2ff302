// The screen as assistive technology reads it: the window's name is the
// headline and its description the body text; each button painted on the
// screen is a push button (the help link a link) named by its painted
// words, focusable when it answers and unavailable when it does not; the
// labels over the skin are text and the bar a progress bar with its
// percentage. Built from the tables the painter and the pointer read.
//
// Every zone and label is an item on every screen, always at the same place
// (reading order over the whole window, the title-bar glyphs last), and
// those the screen does not show are invisible: an item's number never
// changes, so an event about it still names it when a reader asks later,
// after more labels have appeared.
#pragma once

#include <cstdint>

#include "platform/system.h"
#include "ui/keyboard_focus.h"

struct UpdaterState;

enum AccessibleRole : uint8_t {
    RolePushButton,
    RoleLink,
    RoleText,
    RoleProgressBar,
};

enum AccessibleStateBit : uint32_t {
    StateFocusable = 1,
    StateFocused = 2,
    StateUnavailable = 4,
    StateReadOnly = 8,
    StateInvisible = 16,
};

struct AccessibleItem {
    AccessibleRole role = RoleText;
    HitZone zone = kNoZone;             // buttons and the link
    ControlId control = ControlSkinView;  // texts and the bar
    PixelRect bounds = {};              // client pixels
    uint32_t states = 0;
    char name[kPathChars + 16] = {};
    char value[16] = {};                // the bar's percentage
};

// Every zone but the drag band, and every control but the two bitmaps.
inline constexpr int kAccessibleItems = kHitZoneCount - 1 + ControlCount - 2;

struct AccessibleScreen {
    char name[96] = {};
    char description[640] = {};
    int count = 0;
    AccessibleItem items[kAccessibleItems];  // reading order, title-bar glyphs last
};

// What the window shows beyond the state record: the controls' texts and
// whether they are visible, the skin, the panel, and whether the window
// has the keyboard focus.
struct ControlFacts {
    bool visible = false;
    const char* text = "";
};
struct ScreenFacts {
    SkinId skin = SkinIntro;
    bool panel = false;
    bool windowFocused = false;
    ControlFacts controls[ControlCount];
};

void DescribeScreen(const UpdaterState& state, const ScreenFacts& facts, AccessibleScreen& out);

// The index of the item of `zone` or of `control`, or -1 (none, or not one
// of the items).
int ItemOfZone(const AccessibleScreen& screen, HitZone zone);
int ItemOfControl(const AccessibleScreen& screen, ControlId control);
// The index of the visible item under client point (x, y), or -1.
int ItemAt(const AccessibleScreen& screen, int x, int y);
// The next visible item after `from` (-1: from the start), or before it
// when `backwards` (from `count`: from the end); -1 when there is none.
int NextVisibleItem(const AccessibleScreen& screen, int from, bool backwards);

// The percentage shown has reached another tenth (0 %, 10 %, ... 100 %):
// true once per tenth, so a screen reader hears progress in steps of ten.
// A hidden percentage changes nothing.
bool ProgressTenthChanged(UpdaterState& state, bool shown, const char* percentText);
