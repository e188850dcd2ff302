// Skins loaded on demand and kept for the screens in use: a full-window skin
// is 1.8 MB as a bitmap, and a session shows only a few of the twenty. The
// screens that usually come next are loaded ahead, in idle time, so a
// change of screen does not wait for a load.
#include "ui/skin_cache_win.h"

#include "ui/layout.h"

namespace {

struct HeldSkin {
    SkinId skin;
    HBITMAP bitmap;
    unsigned lastUse;
};

// The screens that usually follow each one (zero ends a row): a device
// found, the actions once a file is chosen, the run, its results, the way
// back.
struct LikelyNext {
    SkinId after;
    SkinId next[4];
};
constexpr LikelyNext kLikelyNext[] = {
    {SkinIntro, {SkinNoConnection}},
    {SkinNoConnection, {SkinHeadsetFound, SkinAdapterFound}},
    {SkinSeveralDevices, {SkinHeadsetFound, SkinAdapterFound}},
    {SkinHeadsetFound, {SkinHeadsetActions}},
    {SkinHeadsetActions, {SkinHeadsetUpdating, SkinHeadsetVerifying}},
    {SkinHeadsetUpdating, {SkinHeadsetVerifying, SkinHeadsetUpdated, SkinHeadsetFailed}},
    {SkinHeadsetVerifying, {SkinHeadsetUpdated, SkinHeadsetFailed, SkinHeadsetVerified, SkinHeadsetMismatch}},
    {SkinHeadsetUpdated, {SkinHeadsetFound, SkinHeadsetActions}},
    {SkinHeadsetVerified, {SkinHeadsetActions}},
    {SkinHeadsetFailed, {SkinHeadsetUpdating, SkinHeadsetActions}},
    {SkinHeadsetMismatch, {SkinHeadsetVerifying, SkinHeadsetActions}},
    {SkinAdapterFound, {SkinAdapterActions}},
    {SkinAdapterActions, {SkinAdapterUpdating, SkinAdapterVerifying}},
    {SkinAdapterUpdating, {SkinAdapterVerifying, SkinAdapterUpdated, SkinAdapterFailed}},
    {SkinAdapterVerifying, {SkinAdapterUpdated, SkinAdapterFailed, SkinAdapterVerified, SkinAdapterMismatch}},
    {SkinAdapterUpdated, {SkinAdapterFound, SkinAdapterActions}},
    {SkinAdapterVerified, {SkinAdapterActions}},
    {SkinAdapterFailed, {SkinAdapterUpdating, SkinAdapterActions}},
    {SkinAdapterMismatch, {SkinAdapterVerifying, SkinAdapterActions}},
};

HINSTANCE skinSource = nullptr;
HeldSkin held[kSkinCount] = {};
unsigned useClock = 0;
SkinId onScreen = SkinIntro;
SkinId expected[4] = {};
int expectedCount = 0;
int expectedLoaded = 0;  // the first ones, most likely first, are done

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

// Frees the full-window skins used longest ago while more than kKeptSkins
// are held; never the one on screen.
void LetGoOfOldSkins() {
    for (;;) {
        int count = 0;
        HeldSkin* oldest = nullptr;
        for (HeldSkin& slot : held) {
            if (slot.bitmap == nullptr || slot.skin == SkinWarning) continue;
            ++count;
            if (slot.skin != onScreen && (oldest == nullptr || slot.lastUse < oldest->lastUse)) oldest = &slot;
        }
        if (count <= kKeptSkins || oldest == nullptr) return;
        DeleteObject(oldest->bitmap);
        oldest->bitmap = nullptr;
    }
}

HBITMAP Hold(HeldSkin& slot) {
    if (slot.bitmap == nullptr) slot.bitmap = LoadSkin(slot.skin);
    slot.lastUse = ++useClock;
    LetGoOfOldSkins();
    return slot.bitmap;
}

}  // namespace

void InitSkinCache(HINSTANCE instance) {
    skinSource = instance;
    for (int i = 0; i < kSkinCount; ++i) held[i] = {kSkinLoadOrder[i], nullptr, 0};
}

HBITMAP SkinBitmap(SkinId skin) {
    HeldSkin* slot = Slot(skin);
    if (slot == nullptr) return nullptr;
    if (skin != SkinWarning) onScreen = skin;
    return Hold(*slot);
}

void ExpectScreensAfter(SkinId skin) {
    expectedCount = 0;
    expectedLoaded = 0;
    for (const LikelyNext& row : kLikelyNext) {
        if (row.after != skin) continue;
        for (SkinId next : row.next) {
            if (next != 0) expected[expectedCount++] = next;
        }
    }
}

bool LoadOneLikelySkin() {
    while (expectedLoaded < expectedCount) {
        HeldSkin* slot = Slot(expected[expectedLoaded++]);
        if (slot == nullptr) continue;
        const bool wasHeld = slot->bitmap != nullptr;
        Hold(*slot);
        if (!wasHeld) return expectedLoaded < expectedCount;
    }
    return false;
}

bool IsSkinHeld(SkinId skin) {
    const HeldSkin* slot = Slot(skin);
    return slot != nullptr && slot->bitmap != nullptr;
}

int LoadedSkinCount() {
    int count = 0;
    for (const HeldSkin& slot : held) count += slot.bitmap != nullptr ? 1 : 0;
    return count;
}
