// Which hit zones answer in the present state: one truth for the pointer,
// the keyboard's focus order and the accessible tree, so a button that a
// click would press is the button Tab reaches and a screen reader offers.
#pragma once

#include "ui/layout.h"

struct UpdaterState;

// True when a press inside `zone` would run its action now. The drag band,
// the glyphs and GOT IT (while the warning is up) always answer; the others
// follow the state (screen, operation, mode flags, firmware choice).
bool ZoneAnswers(const UpdaterState& state, HitZone zone);
