// The skins' bitmaps: decoded from the program's resources at the size of
// the control that shows them, 24-bit as painted at build time.
#include "win/skin_cache.h"

#include "win/win_ui.h"

namespace {

struct ResourceSkins final : SkinLoader {
    HINSTANCE instance = nullptr;

    void* Load(SkinId skin) override { return LoadSkinPicture(instance, skin, TheUi().dpi); }
    void Free(void* bitmap) override { DeleteObject(static_cast<HBITMAP>(bitmap)); }
};

ResourceSkins resourceSkins;
SkinCache skinCache;

}  // namespace

void InitSkinCache(HINSTANCE instance) {
    resourceSkins.instance = instance;
    ResetSkinCache(skinCache, resourceSkins);
}

HBITMAP SkinBitmap(SkinId skin) { return static_cast<HBITMAP>(TakeSkin(skinCache, skin)); }

SkinCache& TheSkinCache() { return skinCache; }
