// The skins as the window gets them: each is loaded from the program's
// resources when a screen first needs it, not all at start, and only the
// skins of the screens in use are kept (Windows only, UI thread only).
//
// A skin set for another scale would be chosen here, behind SkinBitmap,
// without its callers knowing.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "ui/skins.h"

// The full-window skins kept loaded: the one on screen and those shown just
// before it, so going back a screen (Done, Cancel, a device found again)
// loads nothing. The warning panel's skin is kept apart once loaded.
inline constexpr int kKeptSkins = 4;

// Where the skins come from. Before any other call.
void InitSkinCache(HINSTANCE instance);
// The bitmap of `skin`, loaded now if it is not held (null when it cannot
// be): it counts as the one shown last, and the skin shown longest ago
// beyond kKeptSkins is let go. Never lets go of the last kKeptSkins
// returned, so the bitmap on skinView stays valid until another replaces it.
HBITMAP SkinBitmap(SkinId skin);
// How many skins are loaded now, for tests and timed runs.
int LoadedSkinCount();
