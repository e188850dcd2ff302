// The skins of the Windows program: bitmaps from its resources, loaded and
// kept as ui/skin_cache.h decides (Windows only, UI thread only).
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "ui/skin_cache.h"

// Where the skins come from. Before any other call.
void InitSkinCache(HINSTANCE instance);
// The bitmap of `skin` for skinView or the warning panel (TakeSkin).
HBITMAP SkinBitmap(SkinId skin);
// The process's one cache, for the idle loading and timed runs.
SkinCache& TheSkinCache();
// A skin from the set for `dpi`, at the window's size there
// (skin_picture.cpp); null when it cannot be made.
HBITMAP LoadSkinPicture(HINSTANCE instance, SkinId skin, int dpi);
