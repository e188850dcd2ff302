// Skins loaded on demand and kept for the screens in use: a full-window skin
// is 1.3 MB of pixels, and a run shows only a few of the twenty.
#include "ui/skin_cache_win.h"

#include "ui/layout.h"

namespace {

struct HeldSkin {
    SkinId skin;
    HBITMAP bitmap;
    unsigned lastUse;  // 0: not held
};

HINSTANCE skinSource = nullptr;
HeldSkin held[kSkinCount] = {};
unsigned useClock = 0;

HBITMAP LoadSkin(SkinId skin) {
    const bool panel = skin == SkinWarning;
    const PixelRect& size = kControlLayout[panel ? ControlWarningPanel : ControlSkinView].rect;
    return static_cast<HBITMAP>(
        LoadImageA(skinSource, MAKEINTRESOURCEA(skin), IMAGE_BITMAP, size.width, size.height, LR_DEFAULTCOLOR));
}

HeldSkin* Slot(SkinId skin) {
    for (int i = 0; i < kSkinCount; ++i) {
        if (kSkinLoadOrder[i] == skin) return &held[i];
    }
    return nullptr;
}

// Frees the full-window skin used longest ago while more than kKeptSkins
// are held.
void LetGoOfOldSkins() {
    for (;;) {
        int count = 0;
        HeldSkin* oldest = nullptr;
        for (HeldSkin& slot : held) {
            if (slot.bitmap == nullptr || slot.skin == SkinWarning) continue;
            ++count;
            if (oldest == nullptr || slot.lastUse < oldest->lastUse) oldest = &slot;
        }
        if (count <= kKeptSkins || oldest == nullptr) return;
        DeleteObject(oldest->bitmap);
        oldest->bitmap = nullptr;
        oldest->lastUse = 0;
    }
}

}  // namespace

void InitSkinCache(HINSTANCE instance) {
    skinSource = instance;
    for (int i = 0; i < kSkinCount; ++i) held[i] = {kSkinLoadOrder[i], nullptr, 0};
}

HBITMAP SkinBitmap(SkinId skin) {
    HeldSkin* slot = Slot(skin);
    if (slot == nullptr) return nullptr;
    if (slot->bitmap == nullptr) slot->bitmap = LoadSkin(skin);
    if (slot->bitmap == nullptr) return nullptr;
    slot->lastUse = ++useClock;
    LetGoOfOldSkins();
    return slot->bitmap;
}

int LoadedSkinCount() {
    int count = 0;
    for (const HeldSkin& slot : held) count += slot.bitmap != nullptr ? 1 : 0;
    return count;
}
