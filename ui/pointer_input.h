// The decisions of the main window's procedure, free of the window system:
// a left-button press is sorted into the hit zones, each live only in
// certain states; the top band drags the borderless window; a close request
// during an operation shows the warning panel instead.
#pragma once

#include <cstdint>

#include "ui/layout.h"

struct UpdaterState;

// The command of the About box (Alt+? and Alt+/).
inline constexpr int CmdAbout = 104;
// The page about pairing shipped beside the program: the help link's
// address unless a setting names another (ui/help_article.h).
inline constexpr char kHelpArticle[] = "pairing_help.html";
// The pointer-move button state that drags: the left button alone.
inline constexpr uint32_t kLeftButtonOnly = 1;

// A left-button press at client coordinates (x, y).
void OnLeftButtonDown(UpdaterState& state, int x, int y);
// A zone's own action, as a press inside that zone alone would run it, when
// the zone answers now (the keyboard and assistive technology press zones
// this way, so an overlapping zone never fires with it). The drag band is
// not pressed. True when the action ran.
bool PressZone(UpdaterState& state, HitZone zone);
// A pointer move with the message's button state.
void OnPointerMove(UpdaterState& state, uint32_t buttons, int x, int y);
void OnLeftButtonUp(UpdaterState& state);
// The pointer capture went elsewhere (another window took it, or the system
// did): a drag in progress ends and the cursor is set free as at its end.
void OnPointerCaptureLost(UpdaterState& state);
// The window now has `newDpi` pixels an inch (it was moved to another
// monitor): a drag in progress keeps the pointer on the same spot of the
// resized window.
void OnDpiChanged(UpdaterState& state, int oldDpi, int newDpi);
// True when the window may close; false when the close is refused because an
// operation is requested (the warning panel is then up).
bool OnCloseRequest(UpdaterState& state);
// A command of the window; true when handled.
bool OnCommand(UpdaterState& state, int command);
