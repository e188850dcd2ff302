// The keyboard over the painted buttons: the focus order and the main action
// of every screen, Tab and Shift+Tab, Enter, Space, Esc and Alt+F4, and the
// focus following the screens the worker draws under it.
#include "ui/keyboard_focus.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/interaction_fixture.h"
#include "tests/support/screen_fixture.h"
#include "ui/pointer_input.h"

namespace {

using Zones = std::vector<HitZone>;

std::vector<HitZone> OrderOf(const UpdaterState& state) {
    HitZone order[kMaxScreenZones];
    const int count = FocusOrder(state, order);
    return Zones(order, order + count);
}

class KeyboardTest : public ScreenFixture {
   protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        FollowScreen(state, SkinIntro, false);
    }
    HitZone Focus() const { return static_cast<HitZone>(state.keyboard.zone); }
    FocusNews Key(Key key, bool shift = false) { return OnKey(state, key, shift); }
    void ActionsScreen() {
        state.screenMode = ScreenIdle;
        state.deviceView = ViewHeadset;
        state.firmwareChosen = 1;
        controls.ShowSkin(SkinHeadsetActions);
    }
    void FailedScreen(bool afterVerify) {
        state.screenMode = ScreenFailed;
        state.deviceView = ViewHeadset;
        state.firmwareChosen = 1;
        (afterVerify ? state.modeVerifyFirmwareOnly : state.modeProgramFirmwareOnly) = 1;
        state.request.modeVerifyOnly = afterVerify ? 1 : 0;
        controls.ShowSkin(afterVerify ? SkinHeadsetMismatch : SkinHeadsetFailed);
    }
};

TEST_F(KeyboardTest, EveryScreenHasItsOrderAndItsMainActionTakesTheFocus) {
    const HitZone kMin = ZoneMinimiseGlyph, kClose = ZoneCloseGlyph;
    const struct {
        const char* screen;
        SkinId skin;
        int32_t mode, view;
        uint8_t chosen, requested, program, verify, warning;
        Zones order;
        HitZone main;
    } kScreens[] = {
        {"intro", SkinIntro, ScreenIntro, ViewNone, 0, 0, 0, 0, 0, {ZoneContinue, kMin, kClose}, ZoneContinue},
        {"no connection", SkinNoConnection, ScreenIdle, ViewNone, 0, 0, 0, 0, 0, {kMin, kClose}, kNoZone},
        {"headset found", SkinHeadsetFound, ScreenIdle, ViewHeadset, 0, 0, 0, 0, 0,
         {ZoneFirmwareBox, kMin, kClose}, ZoneFirmwareBox},
        {"several devices", SkinSeveralDevices, ScreenIdle, ViewSeveral, 0, 0, 0, 0, 0, {kMin, kClose}, kNoZone},
        {"actions", SkinAdapterActions, ScreenIdle, ViewAdapter, 1, 0, 0, 0, 0,
         {ZoneFirmwareBox, ZoneVerify, ZoneUpdate, kMin, kClose}, ZoneUpdate},
        {"updating", SkinHeadsetUpdating, ScreenIdle, ViewHeadset, 1, 1, 1, 0, 0, {kMin, kClose}, kNoZone},
        {"failed", SkinHeadsetFailed, ScreenFailed, ViewHeadset, 1, 0, 1, 0, 0,
         {ZoneTryAgain, ZoneCancel, kMin, kClose}, ZoneTryAgain},
        {"mismatch", SkinAdapterMismatch, ScreenFailed, ViewAdapter, 1, 0, 0, 1, 0,
         {ZoneTryAgain, ZoneCancel, kMin, kClose}, ZoneTryAgain},
        {"verified", SkinHeadsetVerified, ScreenPassed, ViewHeadset, 1, 0, 0, 1, 0,
         {ZoneDoneVerified, kMin, kClose}, ZoneDoneVerified},
        {"updated", SkinAdapterUpdated, ScreenPassed, ViewAdapter, 1, 0, 1, 0, 0,
         {ZoneHelpLink, ZoneDoneUpdated, kMin, kClose}, ZoneDoneUpdated},
        {"warning", SkinHeadsetUpdating, ScreenIdle, ViewHeadset, 1, 1, 1, 0, 1, {ZoneGotIt, kMin, kClose}, ZoneGotIt},
    };
    for (const auto& s : kScreens) {
        SCOPED_TRACE(s.screen);
        state.screenMode = s.mode;
        state.deviceView = s.view;
        state.firmwareChosen = s.chosen;
        state.updateRequested = s.requested;
        state.modeProgramFirmwareOnly = s.program;
        state.modeVerifyFirmwareOnly = s.verify;
        state.warningOpen = s.warning;
        controls.Show(ControlWarningPanel, false);
        controls.ShowSkin(SkinIntro == s.skin ? SkinNoConnection : SkinIntro);  // another screen first
        controls.ShowSkin(s.skin);
        controls.Show(ControlWarningPanel, s.warning == 1);
        EXPECT_EQ(OrderOf(state), s.order);
        EXPECT_EQ(Focus(), s.main);
    }
}

TEST_F(KeyboardTest, TabAndShiftTabWrapAndTheRingShowsOnceTheKeyboardMovesTheFocus) {
    ActionsScreen();
    EXPECT_EQ(Focus(), ZoneUpdate);
    EXPECT_EQ(FocusRingZone(state), kNoZone);  // not before the keyboard is used
    FocusNews news = Key(KeyTab);
    EXPECT_TRUE(news.ringAppeared);
    EXPECT_EQ(news.from, ZoneUpdate);
    EXPECT_EQ(news.to, ZoneMinimiseGlyph);
    EXPECT_EQ(FocusRingZone(state), ZoneMinimiseGlyph);
    Key(KeyTab);
    news = Key(KeyTab);
    EXPECT_FALSE(news.ringAppeared);
    EXPECT_EQ(Focus(), ZoneFirmwareBox);  // wrapped
    Key(KeyTab, true);
    EXPECT_EQ(Focus(), ZoneCloseGlyph);  // and back
    Key(KeyTab, true);
    Key(KeyTab, true);
    Key(KeyTab, true);
    EXPECT_EQ(Focus(), ZoneVerify);

    // A screen without a main action: Tab starts at the first zone, Shift+Tab at the last.
    controls.ShowSkin(SkinNoConnection);
    EXPECT_EQ(Focus(), kNoZone);
    Key(KeyTab, true);
    EXPECT_EQ(Focus(), ZoneCloseGlyph);
}

TEST_F(KeyboardTest, EnterAndSpacePressTheFocusedZoneAsAClickWould) {
    Key(KeyEnter);  // Continue
    EXPECT_EQ(state.screenMode, ScreenIdle);
    EXPECT_EQ(controls.Skin(), SkinNoConnection);
    EXPECT_EQ(Focus(), kNoZone);
    controls.ClearHistory();
    Key(KeyEnter);  // no focus: nothing
    Key(KeySpace);
    EXPECT_TRUE(controls.Requests().empty());

    ActionsScreen();
    Key(KeyTab, true);
    ASSERT_EQ(Focus(), ZoneVerify);
    Key(KeySpace);
    EXPECT_EQ(state.updateRequested, 1);
    EXPECT_EQ(state.request.modeVerifyOnly, 1);
    EXPECT_EQ(controls.Skin(), SkinHeadsetVerifying);
    EXPECT_EQ(Focus(), kNoZone);
}

// Try Again's zone lies over Verify's: a click in both runs Try Again only;
// the keyboard runs the focused zone's own action, never a click at its centre.
TEST_F(KeyboardTest, TryAgainAfterAFailedVerifyStartsOneVerify) {
    FailedScreen(true);
    ASSERT_EQ(Focus(), ZoneTryAgain);
    controls.ClearHistory();
    Key(KeyEnter);
    EXPECT_EQ(controls.Skins(), std::vector<SkinId>{SkinHeadsetVerifying});
    EXPECT_EQ(state.request.modeVerifyOnly, 1);
    EXPECT_EQ(state.updateRequested, 1);
}

TEST_F(KeyboardTest, EnterOnAButtonThatNoLongerAnswersDoesNothing) {
    ActionsScreen();
    state.firmwareChosen = 0;  // Select pressed without a row: the skin stays
    controls.ClearHistory();
    Key(KeyEnter);
    EXPECT_EQ(state.updateRequested, 0);
    EXPECT_TRUE(controls.Skins().empty());
    Key(KeyTab);
    EXPECT_EQ(Focus(), ZoneFirmwareBox);  // the first zone that answers
}

TEST_F(KeyboardTest, EscAnswersAsCancelWhereCancelIsLiveAndAsGotItOnTheWarning) {
    ActionsScreen();
    controls.ClearHistory();
    Key(KeyEscape);  // no Cancel here
    EXPECT_TRUE(controls.Requests().empty());

    FailedScreen(false);
    Key(KeyEscape);
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(state.screenMode, ScreenIdle);
    EXPECT_EQ(Focus(), ZoneUpdate);

    Key(KeyEnter);  // Update
    ASSERT_EQ(state.updateRequested, 1);
    Key(KeyAltF4);  // refused during the run: the warning
    EXPECT_FALSE(window.closed);
    EXPECT_EQ(state.warningOpen, 1);
    EXPECT_EQ(Focus(), ZoneGotIt);
    Key(KeyEscape);
    EXPECT_EQ(state.warningOpen, 0);
    EXPECT_FALSE(controls.Visible(ControlWarningPanel));
    EXPECT_EQ(Focus(), kNoZone);  // back on the running screen
    EXPECT_EQ(state.updateRequested, 1);
}

TEST_F(KeyboardTest, AltF4ClosesWhenNoOperationRuns) {
    Key(KeyAltF4);
    EXPECT_TRUE(window.closed);
}

// The worker draws screens under the focus: each new screen hands the focus
// to its main action, so Enter alone carries a whole update through.
class KeyboardFlowTest : public InteractionFixture {
   protected:
    void SetUp() override {
        InteractionFixture::SetUp();
        controls.afterRequest = [this] { FollowScreen(state, controls.Skin(), controls.Visible(ControlWarningPanel)); };
        FollowScreen(state, SkinIntro, false);
        WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93");
        window.dialogScript = [this](FakeSelectionDialog& dialog) {
            dialog.selected = 0;
            SelectFirmware(state, dialog);
        };
    }
    HitZone Focus() const { return static_cast<HitZone>(state.keyboard.zone); }
    void Enter() { OnKey(state, KeyEnter, false); }
};

TEST_F(KeyboardFlowTest, EnterAloneUpdatesAHeadsetAndTriesAgainAfterAFailure) {
    Enter();  // Continue
    Wait(200);
    EXPECT_EQ(Focus(), kNoZone);
    Plug(std::string(kFlowHeadset, std::strlen(kFlowHeadset) - 1) + " failpacket=40\n");
    Wait(200);
    ASSERT_EQ(controls.Skin(), SkinHeadsetFound);
    EXPECT_EQ(Focus(), ZoneFirmwareBox);
    Enter();  // the dialog; Select
    ASSERT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(Focus(), ZoneUpdate);
    Enter();
    Wait(10000);
    ASSERT_EQ(controls.Skin(), SkinHeadsetFailed);
    EXPECT_EQ(Focus(), ZoneTryAgain);
    Plug(kFlowHeadset);
    Enter();
    EXPECT_EQ(Focus(), kNoZone);
    Wait(10000);
    ASSERT_EQ(controls.Skin(), SkinHeadsetUpdated);
    EXPECT_EQ(Focus(), ZoneDoneUpdated);
    Enter();
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(Focus(), ZoneUpdate);
    Wait(200);  // the new version: the found screen again
    EXPECT_EQ(controls.Skin(), SkinHeadsetFound);
    EXPECT_EQ(Focus(), ZoneFirmwareBox);
}

TEST_F(KeyboardFlowTest, AScreenTheWorkerReplacesTakesTheFocusAway) {
    Plug(kFlowHeadset);
    Enter();
    Wait(200);
    OnKey(state, KeyTab, false);
    OnKey(state, KeyTab, false);
    ASSERT_EQ(Focus(), ZoneCloseGlyph);
    Plug(std::string(kFlowHeadset) + kFlowAdapter);
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinSeveralDevices);
    EXPECT_EQ(Focus(), kNoZone);
    Plug(kFlowAdapter);
    Wait(200);
    EXPECT_EQ(Focus(), ZoneFirmwareBox);
    EXPECT_EQ(FocusRingZone(state), ZoneFirmwareBox);  // the ring stays shown
}

}  // namespace
