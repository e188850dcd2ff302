// The thirteen hit zones against their bounds written out here, and the
// rules of the zones and the drag that nothing else would catch if broken.
// The skins, the zones and the window tests all read ui/layout.h, so a typo
// there would move a button and its zone together: this test does not.
#include <gtest/gtest.h>

#include <array>

#include "app/updater_state.h"
#include "tests/support/fake_system.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_window_ops.h"
#include "ui/layout.h"
#include "ui/pointer_input.h"

namespace {

class HitZoneTest : public ::testing::Test {
   protected:
    void SetUp() override {
        state.system = &system;
        state.controls = &controls;
        state.windowOps = &window;
        state.devices.deviceTable[0].kind = KindAdapter;
        state.devices.firmwareLabel[0].versionText.Store("1_4");
    }
    void FailedScreen() {
        state.screenMode = ScreenFailed;
        state.modeProgramFirmwareOnly = 1;
    }
    FakeSystem system;
    RecordingControls controls;
    UpdaterState state;
    RecordingWindowOps window{state};
};

TEST_F(HitZoneTest, EveryZoneHasItsBoundsInclusive) {
    const struct {
        HitZone zone;
        int xMin, xMax, yMin, yMax;
    } kBounds[kHitZoneCount] = {
        {ZoneDragBand, 50, 689, 0, 50},        {ZoneContinue, 315, 476, 368, 416},
        {ZoneCloseGlyph, 770, 783, 13, 26},    {ZoneMinimiseGlyph, 698, 711, 13, 26},
        {ZoneFirmwareBox, 38, 364, 229, 277},  {ZoneCancel, 204, 362, 272, 320},
        {ZoneTryAgain, 39, 197, 272, 320},     {ZoneUpdate, 204, 362, 292, 340},
        {ZoneVerify, 38, 196, 292, 340},       {ZoneDoneVerified, 39, 200, 272, 320},
        {ZoneDoneUpdated, 36, 197, 374, 422},  {ZoneHelpLink, 227, 326, 224, 241},
        {ZoneGotIt, 190, 309, 345, 379},
    };
    for (const auto& b : kBounds) {
        const ZoneBounds& z = Zone(b.zone);
        EXPECT_EQ((std::array{z.xMin, z.xMax, z.yMin, z.yMax}), (std::array{b.xMin, b.xMax, b.yMin, b.yMax}))
            << "zone " << b.zone;
        EXPECT_TRUE(z.Contains(b.xMin, b.yMin) && z.Contains(b.xMax, b.yMax)) << "zone " << b.zone;
        EXPECT_FALSE(z.Contains(b.xMin - 1, b.yMin) || z.Contains(b.xMax + 1, b.yMax)) << "zone " << b.zone;
        EXPECT_FALSE(z.Contains(b.xMin, b.yMin - 1) || z.Contains(b.xMax, b.yMax + 1)) << "zone " << b.zone;
    }
}

TEST_F(HitZoneTest, TryAgainAndCancelWaitForTheRunToBeOver) {
    FailedScreen();
    state.updateRequested = 1;
    OnLeftButtonDown(state, 100, 300);  // Try Again
    OnLeftButtonDown(state, 280, 300);  // Cancel
    EXPECT_EQ(state.screenMode, ScreenFailed);
    EXPECT_TRUE(controls.Skins().empty());
    state.updateRequested = 0;
    OnLeftButtonDown(state, 280, 300);
    EXPECT_EQ(state.screenMode, ScreenIdle);
}

TEST_F(HitZoneTest, CancelShowsTheDevicesVersionAndTheChosenFileAgain) {
    FailedScreen();
    OnLeftButtonDown(state, 280, 300);
    EXPECT_EQ(controls.Skin(), SkinAdapterActions);
    EXPECT_EQ(controls.Text(ControlCurrentVersionText), "1_4");
    EXPECT_TRUE(controls.Visible(ControlCurrentVersionText));
    EXPECT_TRUE(controls.Visible(ControlChosenFirmwareText));
    EXPECT_EQ(state.modeProgramFirmwareOnly, 0);
}

TEST_F(HitZoneTest, OnlyAPressInTheBandLetsTheWindowMove) {
    window.cursor = {400, 140};
    OnPointerMove(state, kLeftButtonOnly, 117, 31);  // no press in the band before
    OnPointerMove(state, kLeftButtonOnly, 300, 40);
    EXPECT_EQ(window.moves, 0);
    EXPECT_FALSE(window.captured);
    OnLeftButtonDown(state, 300, 300);  // a press outside the band
    OnPointerMove(state, kLeftButtonOnly, 117, 31);
    EXPECT_EQ(window.moves, 0);
}

TEST_F(HitZoneTest, TheCursorIsConfinedToTheBandTopToBottom) {
    window.window = {200, 90, 1000, 640};
    window.cursor = {300, 100};
    OnLeftButtonDown(state, 100, 10);
    OnPointerMove(state, kLeftButtonOnly, 120, 30);
    EXPECT_EQ(window.clip.top, 90);
    EXPECT_EQ(window.clip.bottom, 90 + 50);
    EXPECT_EQ(window.clip.left, 200 + 50);
    EXPECT_EQ(window.clip.right, 200 + 689);
}

}  // namespace
