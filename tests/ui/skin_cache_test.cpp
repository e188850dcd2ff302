// When skins are loaded and let go, on a loader that counts: never the one
// on screen, never more than the screens in use need, nothing freed twice.
#include "ui/skin_cache.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

struct CountingLoader : SkinLoader {
    std::vector<SkinId> loads;
    std::set<void*> live;
    std::set<SkinId> failing;
    int frees = 0;
    int next = 1;

    void* Load(SkinId skin) override {
        loads.push_back(skin);
        if (failing.count(skin) != 0) return nullptr;
        void* bitmap = reinterpret_cast<void*>(static_cast<uintptr_t>(next++) * 16);
        live.insert(bitmap);
        return bitmap;
    }
    void Free(void* bitmap) override {
        EXPECT_EQ(live.erase(bitmap), 1u) << "freed twice or never loaded";
        ++frees;
    }
};

class SkinCacheTest : public ::testing::Test {
   protected:
    CountingLoader loader;
    SkinCache cache;
    void SetUp() override { ResetSkinCache(cache, loader); }

    // As the window does: the skin goes on screen, the likely next load while idle.
    void Show(SkinId skin) {
        void* bitmap = TakeSkin(cache, skin);
        EXPECT_EQ(loader.live.count(bitmap), 1u) << skin;
        ExpectScreensAfter(cache, skin);
        while (LoadOneLikelySkin(cache)) {
        }
        EXPECT_TRUE(IsSkinHeld(cache, skin)) << "the skin on screen was let go";
    }
};

TEST_F(SkinCacheTest, OnlyTheIntroIsLoadedForTheFirstScreen) {
    EXPECT_EQ(LoadedSkinCount(cache), 0);
    TakeSkin(cache, SkinIntro);
    EXPECT_EQ(loader.loads, std::vector<SkinId>{SkinIntro});
    ExpectScreensAfter(cache, SkinIntro);
    EXPECT_FALSE(LoadOneLikelySkin(cache));
    EXPECT_EQ(loader.loads, (std::vector<SkinId>{SkinIntro, SkinNoConnection}));
}

TEST_F(SkinCacheTest, TheLikelyNextScreensLoadOneAtATimeMostLikelyFirst) {
    TakeSkin(cache, SkinHeadsetActions);
    ExpectScreensAfter(cache, SkinHeadsetActions);
    EXPECT_TRUE(LoadOneLikelySkin(cache));
    EXPECT_EQ(loader.loads.back(), SkinHeadsetUpdating);
    EXPECT_FALSE(LoadOneLikelySkin(cache));
    EXPECT_EQ(loader.loads.back(), SkinHeadsetVerifying);
    EXPECT_FALSE(LoadOneLikelySkin(cache));
    EXPECT_EQ(loader.loads.size(), 3u);
}

// A whole session, twice over: the screens of a run are all loaded before
// they are shown, going back loads nothing, and the cache stays bounded.
TEST_F(SkinCacheTest, ASessionsScreensAreReadyWhenShownAndTheCacheStaysBounded) {
    const SkinId run[] = {SkinHeadsetActions, SkinHeadsetUpdating, SkinHeadsetVerifying, SkinHeadsetUpdated,
                          SkinHeadsetFound, SkinHeadsetActions, SkinHeadsetVerifying, SkinHeadsetVerified,
                          SkinHeadsetActions, SkinHeadsetUpdating, SkinHeadsetVerifying, SkinHeadsetFailed,
                          SkinHeadsetUpdating, SkinHeadsetVerifying, SkinHeadsetUpdated};
    Show(SkinIntro);
    Show(SkinNoConnection);
    Show(SkinHeadsetFound);
    for (int pass = 0; pass < 2; ++pass) {
        for (SkinId skin : run) {
            EXPECT_TRUE(IsSkinHeld(cache, skin)) << "not loaded ahead: " << skin;
            Show(skin);
            EXPECT_LE(LoadedSkinCount(cache), kKeptSkins);
        }
    }
    TakeSkin(cache, SkinWarning);
    EXPECT_EQ(LoadedSkinCount(cache), kKeptSkins + 1);  // the panel's skin is kept apart
    EXPECT_EQ(loader.live.size(), static_cast<size_t>(LoadedSkinCount(cache)));
}

// Loading ahead for several screens while one stays up (the window's first
// screen can be replaced before its idle loading ends) lets others go, but
// never the one on screen.
TEST_F(SkinCacheTest, TheSkinOnScreenIsNeverLetGo) {
    void* shown = TakeSkin(cache, SkinSeveralDevices);
    for (SkinId after : {SkinHeadsetVerifying, SkinAdapterVerifying, SkinHeadsetUpdating, SkinAdapterUpdating}) {
        ExpectScreensAfter(cache, after);
        while (LoadOneLikelySkin(cache)) {
        }
    }
    EXPECT_GT(loader.frees, 0);
    EXPECT_LE(LoadedSkinCount(cache), kKeptSkins);
    EXPECT_TRUE(IsSkinHeld(cache, SkinSeveralDevices));
    EXPECT_EQ(loader.live.count(shown), 1u);
}

TEST_F(SkinCacheTest, ASkinThatCannotBeLoadedGivesNullAndIsTriedAgain) {
    loader.failing.insert(SkinNoConnection);
    EXPECT_EQ(TakeSkin(cache, SkinNoConnection), nullptr);
    EXPECT_FALSE(IsSkinHeld(cache, SkinNoConnection));
    loader.failing.clear();
    EXPECT_NE(TakeSkin(cache, SkinNoConnection), nullptr);
    EXPECT_EQ(loader.loads.size(), 2u);
}

// The display's scale changed: every bitmap goes, none twice, and the
// screen on show and those expected next are loaded from the new set.
TEST_F(SkinCacheTest, AChangeOfScaleLetsGoOfEverySkinAndReloadsTheScreenOnShow) {
    Show(SkinHeadsetActions);
    TakeSkin(cache, SkinWarning);
    const size_t loads = loader.loads.size();
    LetGoOfAllSkins(cache);
    EXPECT_TRUE(loader.live.empty());
    EXPECT_EQ(LoadedSkinCount(cache), 0);
    EXPECT_EQ(cache.onScreen, SkinHeadsetActions);
    EXPECT_NE(TakeSkin(cache, cache.onScreen), nullptr);
    while (LoadOneLikelySkin(cache)) {
    }
    EXPECT_TRUE(IsSkinHeld(cache, SkinHeadsetUpdating));
    EXPECT_TRUE(IsSkinHeld(cache, SkinHeadsetVerifying));
    EXPECT_EQ(loader.loads.size(), loads + 3);
}

}  // namespace
