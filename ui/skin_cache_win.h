// The skins as the window gets them: each is loaded from the program's
// resources when a screen first needs it, or just before, in the idle time
// after the screen that usually leads to it; only the skins of the screens
// in use and of those likely next are kept (Windows only, UI thread only).
//
// A skin set for another scale would be chosen here, behind SkinBitmap,
// without its callers knowing.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "ui/skins.h"

// Full-window skins kept loaded: the one on screen, the screens likely next
// (at most four) and the one shown before. About 1.8 MB each as a bitmap.
// The warning panel's skin is kept apart once loaded.
inline constexpr int kKeptSkins = 6;

// Where the skins come from. Before any other call.
void InitSkinCache(HINSTANCE instance);
// The bitmap of `skin`, loaded now if it is not held (null when it cannot
// be), which is now the one on screen (or the panel's) and is not let go
// while it is. Skins used longest ago beyond kKeptSkins are let go.
HBITMAP SkinBitmap(SkinId skin);
// Notes the screens that usually follow `skin`, to be loaded one by one by
// LoadOneLikelySkin while the window is idle.
void ExpectScreensAfter(SkinId skin);
// Loads one of the skins noted; false when none is left to load.
bool LoadOneLikelySkin();

// What is loaded now, for timed runs.
bool IsSkinHeld(SkinId skin);
int LoadedSkinCount();
