// The hit zones and the drag, without a worker.
#include "ui/pointer_input.h"

#include <gtest/gtest.h>

#include "app/updater_state.h"
#include "tests/support/fake_system.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_window_ops.h"
#include "ui/layout.h"

namespace {

class PointerInputTest : public ::testing::Test {
   protected:
    void SetUp() override {
        state.system = &system;
        state.controls = &controls;
        state.windowOps = &window;
    }
    void ActionsScreen() {
        state.screenMode = ScreenIdle;
        state.deviceView = ViewHeadset;
        state.devices.deviceTable[0].kind = KindHeadset;
        state.firmwareChosen = 1;
    }
    FakeSystem system;
    RecordingControls controls;
    UpdaterState state;
    RecordingWindowOps window{state};
};

TEST_F(PointerInputTest, ContinueBoundsAreInclusive) {
    for (auto [x, y, continues] : {std::tuple{315, 368, true}, {476, 416, true}, {314, 368, false}, {477, 416, false}}) {
        state.screenMode = ScreenIntro;
        OnLeftButtonDown(state, x, y);
        EXPECT_EQ(state.screenMode == ScreenIdle, continues) << x << "," << y;
    }
    EXPECT_EQ(controls.Skins(), (std::vector<SkinId>{SkinNoConnection, SkinNoConnection}));
}

TEST_F(PointerInputTest, TheDragBandAndTheButtonStateRule) {
    for (auto [x, y, drags] : {std::tuple{689, 50, true}, {50, 0, true}, {690, 50, false}, {689, 51, false}, {49, 10, false}}) {
        state.drag.dragging = 0;
        OnLeftButtonDown(state, x, y);
        EXPECT_EQ(state.drag.dragging == 1, drags) << x << "," << y;
    }
    // A drag from (100, 20), cursor at (383, 129) on screen.
    window.cursor = {383, 129};
    OnLeftButtonDown(state, 100, 20);
    EXPECT_TRUE(window.captured);
    window.cursor = {400, 140};
    OnPointerMove(state, 5, 117, 31);  // Shift held: nothing
    EXPECT_EQ(window.moves, 0);
    OnPointerMove(state, 1, 100, 20);  // the press point itself: confined, not moved
    EXPECT_EQ(window.moves, 0);
    EXPECT_EQ(window.clip.left, 283 + 50);
    EXPECT_EQ(window.clip.right, 283 + 689);
    OnPointerMove(state, 1, 700, 31);  // outside the band: nothing
    EXPECT_EQ(window.moves, 0);
    OnPointerMove(state, 1, 117, 31);
    EXPECT_EQ(window.window.left, 400 - 100);
    EXPECT_EQ(window.window.top, 140 - 20);
    EXPECT_EQ(window.clip.left, 283 + 50);  // the band of the window where it was at this move
    window.cursor = {420, 150};  // the last move comes only with the release
    OnLeftButtonUp(state);
    EXPECT_EQ(window.window.left, 420 - 100);
    EXPECT_EQ(window.window.top, 150 - 20);
    EXPECT_FALSE(window.captured);
    EXPECT_EQ(window.clip.right, 1366);  // the confinement from before the press
    EXPECT_EQ(state.drag.dragging, 0);
    const int moves = window.moves;
    OnLeftButtonDown(state, 100, 20);  // a press and release in place moves nothing
    OnLeftButtonUp(state);
    EXPECT_EQ(window.moves, moves);

    // The pointer moved on before its press was handled (a busy system): the
    // window is held where it was pressed, not where the pointer is by then.
    window.window = {283, 109, 283 + 800, 109 + 550};
    window.messagePosition = ScreenPoint{383, 129};
    window.cursor = {393, 134};
    OnLeftButtonDown(state, 100, 20);
    OnPointerMove(state, 1, 110, 25);
    EXPECT_EQ(window.window.left, 293);
    EXPECT_EQ(window.window.top, 114);
    OnLeftButtonUp(state);
}

// At 150 % the pointer logic gets layout units and the window is 1200 x 825:
// the cursor is confined to the band in the screen's pixels, and the window
// keeps its size as it moves. Moved to a 200 % monitor mid-drag, the grab
// point stays where the pointer holds the larger window.
TEST_F(PointerInputTest, ADragAtAnotherScaleConfinesToTheScaledBand) {
    window.dpi = 144;
    window.window = {100, 50, 100 + 1200, 50 + 825};
    window.cursor = {100 + 150, 50 + 30};  // layout (100, 20)
    OnLeftButtonDown(state, 100, 20);
    EXPECT_EQ(state.drag.grabOffset.x, 150);
    window.cursor = {300, 100};
    OnPointerMove(state, 1, 120, 33);
    EXPECT_EQ(window.clip.left, 100 + 75);
    EXPECT_EQ(window.clip.right, 100 + 1034);  // 689 x 1.5, halves up
    EXPECT_EQ(window.clip.bottom, 50 + 75);
    EXPECT_EQ(window.window.left, 300 - 150);
    EXPECT_EQ(window.window.right - window.window.left, 1200);

    OnDpiChanged(state, 144, 192);
    EXPECT_EQ(state.drag.grabOffset.x, 200);
    EXPECT_EQ(state.drag.grabOffset.y, 40);
    OnLeftButtonUp(state);
    OnDpiChanged(state, 192, 96);  // no drag: nothing to keep
    EXPECT_EQ(state.drag.grabOffset.x, 200);
}

// Another window takes the capture mid-drag (a system dialog, Alt+Tab): the
// cursor is set free at once and the window no longer follows it.
TEST_F(PointerInputTest, LosingTheCaptureMidDragEndsTheDragAndFreesTheCursor) {
    window.cursor = {383, 129};
    OnLeftButtonDown(state, 100, 20);
    window.cursor = {400, 140};
    OnPointerMove(state, 1, 117, 31);
    ASSERT_EQ(window.clip.right, 283 + 689);
    const int moves = window.moves;

    window.captured = false;
    OnPointerCaptureLost(state);
    EXPECT_EQ(state.drag.dragging, 0);
    EXPECT_EQ(window.clip.left, 0);
    EXPECT_EQ(window.clip.right, 1366);
    EXPECT_EQ(window.clip.bottom, 768);
    OnPointerMove(state, 1, 130, 31);
    EXPECT_EQ(window.moves, moves);
    EXPECT_EQ(window.clip.right, 1366);

    // Without a drag, a lost capture changes nothing.
    window.clip = {10, 10, 20, 20};
    OnPointerCaptureLost(state);
    EXPECT_EQ(window.clip.right, 20);
}

TEST_F(PointerInputTest, GlyphsAndTheDimmedMaximise) {
    OnLeftButtonDown(state, 704, 20);
    EXPECT_EQ(window.minimised, 1);
    OnLeftButtonDown(state, 740, 20);  // the maximise square answers nothing
    EXPECT_EQ(window.minimised, 1);
    EXPECT_FALSE(window.closed);
    OnLeftButtonDown(state, 776, 20);
    EXPECT_TRUE(window.closed);
}

TEST_F(PointerInputTest, UpdateAndVerifyNeedAChosenFirmware) {
    ActionsScreen();
    state.firmwareChosen = 0;
    OnLeftButtonDown(state, 280, 316);
    OnLeftButtonDown(state, 117, 316);
    EXPECT_EQ(state.updateRequested, 0);
    state.firmwareChosen = 1;
    OnLeftButtonDown(state, 280, 316);
    EXPECT_EQ(state.updateRequested, 1);
    EXPECT_EQ(state.modeProgramFirmwareOnly, 1);
    EXPECT_EQ(state.request.modeVerifyOnly, 0);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdating);
    EXPECT_EQ(controls.Text(ControlPercentText), "0 %");
    EXPECT_FALSE(controls.Visible(ControlCurrentVersionText));
    // A second press while the operation is requested does nothing.
    controls.ClearHistory();
    OnLeftButtonDown(state, 117, 316);
    EXPECT_TRUE(controls.Skins().empty());
}

TEST_F(PointerInputTest, TheStartOfAnOperationInItsOrder) {
    ActionsScreen();
    state.devices.deviceTable[0].kind = KindAdapter;
    OnLeftButtonDown(state, 117, 316);  // Verify
    EXPECT_EQ(controls.Requests(),
              (std::vector<std::string>{"hide currentVersionText", "hide chosenFirmwareText", "show progressText",
                                        "text percentText \"0 %\"", "show percentText", "skin 154",
                                        "font progressText", "text progressText \"\""}));
    EXPECT_EQ(state.modeVerifyFirmwareOnly, 1);
    EXPECT_EQ(state.request.modeVerifyOnly, 1);
    EXPECT_EQ(state.modeProgramFirmwareOnly, 0);
}

TEST_F(PointerInputTest, CancelOnTheFailedScreenEndsThePressBeforeUpdate) {
    ActionsScreen();
    state.screenMode = ScreenFailed;
    state.modeProgramFirmwareOnly = 1;
    OnLeftButtonDown(state, 280, 300);  // inside both Cancel and Update
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(state.screenMode, ScreenIdle);
    EXPECT_EQ(state.updateRequested, 0);  // Update was not reached
}

TEST_F(PointerInputTest, TheReasonLeavesWithTheFailedScreenBeforeTheNextSkin) {
    for (HitZone zone : {ZoneCancel, ZoneTryAgain}) {
        ActionsScreen();
        state.screenMode = ScreenFailed;
        state.modeProgramFirmwareOnly = 1;
        controls.Show(ControlReasonText, true);
        controls.ClearHistory();
        const ZoneBounds& bounds = Zone(zone);
        OnLeftButtonDown(state, bounds.xMin + 1, bounds.yMin + 1);
        EXPECT_FALSE(controls.Visible(ControlReasonText)) << zone;
        const std::vector<std::string> requests = controls.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.front(), "hide reasonText") << zone;
        state.updateRequested = 0;
    }
}

// Try Again after a failed verify starts one verify, even where its zone
// lies over Verify's.
TEST_F(PointerInputTest, TryAgainAfterAFailedVerifyStartsOneVerify) {
    ActionsScreen();
    state.screenMode = ScreenFailed;
    state.modeVerifyFirmwareOnly = 1;
    state.request.modeVerifyOnly = 1;
    OnLeftButtonDown(state, 117, 310);  // inside Try Again and Verify
    EXPECT_EQ(state.updateRequested, 1);
    EXPECT_EQ(state.request.modeVerifyOnly, 1);
    EXPECT_EQ(controls.Skin(), SkinHeadsetVerifying);
    EXPECT_EQ(controls.Skins().size(), 1u);
}

TEST_F(PointerInputTest, TheHelpLinkOnlyOnTheUpdatedScreen) {
    ActionsScreen();
    OnLeftButtonDown(state, 270, 230);  // the link area of an actions skin
    EXPECT_TRUE(window.documents.empty());
    state.screenMode = ScreenPassed;
    state.modeProgramFirmwareOnly = 1;
    OnLeftButtonDown(state, 270, 230);
    EXPECT_EQ(window.documents, std::vector<std::string>{kHelpArticle});
    OnLeftButtonDown(state, 100, 400);  // Done
    OnLeftButtonDown(state, 270, 230);
    EXPECT_EQ(window.documents.size(), 1u);

    // The address set at start-up is the one opened.
    std::snprintf(state.helpArticle, sizeof state.helpArticle, "https://maker.example/pair");
    state.screenMode = ScreenPassed;
    state.modeProgramFirmwareOnly = 1;
    OnLeftButtonDown(state, 270, 230);
    ASSERT_EQ(window.documents.size(), 2u);
    EXPECT_EQ(window.documents[1], "https://maker.example/pair");
}

TEST_F(PointerInputTest, ACloseDuringAnOperationIsRefused) {
    state.updateRequested = 1;
    EXPECT_FALSE(OnCloseRequest(state));
    EXPECT_EQ(state.warningOpen, 1);
    EXPECT_TRUE(controls.Visible(ControlWarningPanel));
    OnLeftButtonDown(state, 250, 360);
    EXPECT_EQ(state.warningOpen, 0);
    EXPECT_FALSE(controls.Visible(ControlWarningPanel));
    state.updateRequested = 0;
    EXPECT_TRUE(OnCloseRequest(state));
}

TEST_F(PointerInputTest, TheAboutCommand) {
    EXPECT_TRUE(OnCommand(state, CmdAbout));
    EXPECT_FALSE(OnCommand(state, 105));
    EXPECT_EQ(window.aboutBoxes, 1);
}

}  // namespace
