// Which skins are loaded: each when a screen first needs it, or just before,
// in the idle time after the screen that usually leads to it; only those of
// the screens in use and likely next are kept. The platform loads and frees
// the bitmaps (SkinLoader); this decides when. UI thread only.
//
// The skin set for the display's scale is chosen by the loader, behind
// this, without the callers knowing.
#pragma once

#include "ui/skins.h"

// Full-window skins kept loaded: the one on screen, the screens likely next
// (at most four) and the one shown before. The warning panel's skin is kept
// apart once loaded.
inline constexpr int kKeptSkins = 6;

struct SkinLoader {
    virtual ~SkinLoader() = default;
    // The skin's bitmap, or null when it cannot be loaded.
    virtual void* Load(SkinId skin) = 0;
    virtual void Free(void* bitmap) = 0;
};

struct SkinCache {
    struct Held {
        SkinId skin;
        void* bitmap;
        unsigned lastUse;
    };
    SkinLoader* loader = nullptr;
    Held held[kSkinCount] = {};
    unsigned useClock = 0;
    SkinId onScreen = SkinIntro;
    SkinId expected[4] = {};
    int expectedCount = 0;
    int expectedLoaded = 0;  // the first ones, most likely first, are done
};

// Empties the cache (without freeing) and takes the loader.
void ResetSkinCache(SkinCache& cache, SkinLoader& loader);
// The bitmap of `skin`, loaded now if it is not held (null when it cannot
// be); it is now the one on screen (or the panel's) and is not let go while
// it is. The skins used longest ago beyond kKeptSkins are let go.
void* TakeSkin(SkinCache& cache, SkinId skin);
// Notes the screens that usually follow `skin`, for LoadOneLikelySkin.
void ExpectScreensAfter(SkinCache& cache, SkinId skin);
// Loads one of the skins noted; false when none is left to load.
bool LoadOneLikelySkin(SkinCache& cache);
// Frees every bitmap held, the one on screen too (the display's scale has
// changed and the skins are loaded anew); what is on screen and expected
// next stays noted. The caller takes the skins off the controls first.
void LetGoOfAllSkins(SkinCache& cache);
bool IsSkinHeld(const SkinCache& cache, SkinId skin);
int LoadedSkinCount(const SkinCache& cache);
