// Skins loaded on demand and kept for the screens in use: a full-window skin
// is 1.8 MB as a bitmap, and a session shows only a few of the twenty. The
// screens that usually come next are loaded ahead, in idle time, so a
// change of screen does not wait for a load.
#include "ui/skin_cache.h"

namespace {

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

SkinCache::Held* Slot(SkinCache& cache, SkinId skin) {
    for (SkinCache::Held& slot : cache.held) {
        if (slot.skin == skin) return &slot;
    }
    return nullptr;
}

// Frees the full-window skins used longest ago while more than kKeptSkins
// are held; never the one on screen.
void LetGoOfOldSkins(SkinCache& cache) {
    for (;;) {
        int count = 0;
        SkinCache::Held* oldest = nullptr;
        for (SkinCache::Held& slot : cache.held) {
            if (slot.bitmap == nullptr || slot.skin == SkinWarning) continue;
            ++count;
            if (slot.skin != cache.onScreen && (oldest == nullptr || slot.lastUse < oldest->lastUse)) oldest = &slot;
        }
        if (count <= kKeptSkins || oldest == nullptr) return;
        cache.loader->Free(oldest->bitmap);
        oldest->bitmap = nullptr;
    }
}

void* Hold(SkinCache& cache, SkinCache::Held& slot) {
    if (slot.bitmap == nullptr) slot.bitmap = cache.loader->Load(slot.skin);
    slot.lastUse = ++cache.useClock;
    LetGoOfOldSkins(cache);
    return slot.bitmap;
}

}  // namespace

void ResetSkinCache(SkinCache& cache, SkinLoader& loader) {
    cache = SkinCache{};
    cache.loader = &loader;
    for (int i = 0; i < kSkinCount; ++i) cache.held[i] = {kSkinLoadOrder[i], nullptr, 0};
}

void* TakeSkin(SkinCache& cache, SkinId skin) {
    SkinCache::Held* slot = Slot(cache, skin);
    if (slot == nullptr) return nullptr;
    if (skin != SkinWarning) cache.onScreen = skin;
    return Hold(cache, *slot);
}

void ExpectScreensAfter(SkinCache& cache, SkinId skin) {
    cache.expectedCount = 0;
    cache.expectedLoaded = 0;
    for (const LikelyNext& row : kLikelyNext) {
        if (row.after != skin) continue;
        for (SkinId next : row.next) {
            if (next != 0) cache.expected[cache.expectedCount++] = next;
        }
    }
}

bool LoadOneLikelySkin(SkinCache& cache) {
    while (cache.expectedLoaded < cache.expectedCount) {
        SkinCache::Held* slot = Slot(cache, cache.expected[cache.expectedLoaded++]);
        if (slot == nullptr) continue;
        const bool wasHeld = slot->bitmap != nullptr;
        Hold(cache, *slot);
        if (!wasHeld) return cache.expectedLoaded < cache.expectedCount;
    }
    return false;
}

void LetGoOfAllSkins(SkinCache& cache) {
    for (SkinCache::Held& slot : cache.held) {
        if (slot.bitmap != nullptr) cache.loader->Free(slot.bitmap);
        slot.bitmap = nullptr;
    }
    cache.expectedLoaded = 0;
}

bool IsSkinHeld(const SkinCache& cache, SkinId skin) {
    for (const SkinCache::Held& slot : cache.held) {
        if (slot.skin == skin) return slot.bitmap != nullptr;
    }
    return false;
}

int LoadedSkinCount(const SkinCache& cache) {
    int count = 0;
    for (const SkinCache::Held& slot : cache.held) count += slot.bitmap != nullptr ? 1 : 0;
    return count;
}
