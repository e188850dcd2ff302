// The skins' bitmaps: loaded from the program's resources at the size of the
// control that shows them, 24-bit as painted at build time; at 100 % the
// bitmaps themselves, at other scales the larger sets' pictures.
#include "win/skin_cache.h"

#include "ui/display_scale.h"
#include "ui/layout.h"
#include "win/win_ui.h"

namespace {

struct ResourceSkins final : SkinLoader {
    HINSTANCE instance = nullptr;

    void* Load(SkinId skin) override {
        const int dpi = TheUi().dpi;
        if (dpi != kLayoutDpi) return LoadSkinPicture(instance, skin, dpi);
        const bool panel = skin == SkinWarning;
        const PixelRect& size = kControlLayout[panel ? ControlWarningPanel : ControlSkinView].rect;
        return LoadImageA(instance, MAKEINTRESOURCEA(skin), IMAGE_BITMAP, size.width, size.height, LR_DEFAULTCOLOR);
    }
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
