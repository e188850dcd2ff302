// Whole interactions with the real worker thread on the fake clock.
#include "tests/support/interaction_fixture.h"

#include <fstream>
#include <iterator>

#include "app/run_recorder.h"
#include "app/window_seat.h"

namespace {

class WorkerFlowTest : public InteractionFixture {
   protected:
    // Continue, then a headset with one fitting file chosen.
    void HeadsetWithChoice(const char* reply = "v1_2_RX93") {
        WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", reply);
        Plug(kFlowHeadset);
        Press(ZoneContinue);
        Wait(200);
        ASSERT_EQ(controls.Skin(), SkinHeadsetFound);
        ChooseRow(0);
        ASSERT_EQ(controls.Skin(), SkinHeadsetActions);
    }
};

TEST_F(WorkerFlowTest, NothingIsPolledBeforeContinue) {
    Plug(kFlowHeadset);
    Wait(1000);
    EXPECT_EQ(controls.ShowMainWindowCount(), 1);
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 0);
    EXPECT_TRUE(controls.Skins().empty());
}

TEST_F(WorkerFlowTest, WithNothingPluggedTheNoConnectionScreenStays) {
    Press(ZoneContinue);
    Wait(1000);
    EXPECT_EQ(controls.Skins(), std::vector<SkinId>{SkinNoConnection});
    EXPECT_GE(recording::CountCalls("AvDllListDevices"), 9);  // a pass every 100 ms
}

// An idle pass goes to the UI thread only to change the screen: the same
// devices found ten times a second cost no message (nor Wine server work).
TEST_F(WorkerFlowTest, APassThatChangesNoScreenStaysOnTheWorker) {
    Plug(kFlowHeadset);
    Press(ZoneContinue);
    Wait(300);
    ASSERT_EQ(controls.Skin(), SkinHeadsetFound);
    const int trips = controls.uiThreadRuns;
    Wait(1000);
    EXPECT_EQ(controls.uiThreadRuns, trips);
    Plug("");
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinNoConnection);
    EXPECT_EQ(controls.uiThreadRuns, trips + 1);
}

TEST_F(WorkerFlowTest, PluggingAndUnpluggingAHeadset) {
    HeadsetWithChoice();
    EXPECT_EQ(VersionShown(), "1_0");
    EXPECT_TRUE(controls.Visible(ControlChosenFirmwareText));
    EXPECT_EQ(state.firmwareChosen, 1);
    Wait(500);  // the same device set: no redraw, the choice survives
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(state.firmwareChosen, 1);

    Plug("");
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinNoConnection);
    EXPECT_EQ(state.firmwareChosen, 0);
    EXPECT_EQ(state.selectedFileIndex, 0);
    EXPECT_FALSE(controls.Visible(ControlCurrentVersionText));
    EXPECT_FALSE(controls.Visible(ControlChosenFirmwareText));
}

TEST_F(WorkerFlowTest, UnpluggingWhileTheDialogIsOpenCancelsIt) {
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93");
    Plug(kFlowHeadset);
    Press(ZoneContinue);
    Wait(200);
    bool endedByWorker = false;
    window.dialogScript = [&](FakeSelectionDialog& dialog) {
        EXPECT_EQ(dialog.rows, std::vector<std::string>{"v.1_2    "});
        Plug("");
        Wait(200);  // the dialog stays up while the worker runs
        endedByWorker = !dialog.open && dialog.result == kCancelButton;
    };
    Press(ZoneFirmwareBox);
    EXPECT_TRUE(endedByWorker);
    EXPECT_EQ(controls.Skin(), SkinNoConnection);
    EXPECT_EQ(state.dialogStage, DialogIdle);
}

// Every transition ends an open selection dialog, not only the loss of the
// device: a choice never outlives the screen it was made on.
TEST_F(WorkerFlowTest, EveryTransitionCancelsAnOpenDialog) {
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93");
    WriteFirmware("RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93");
    const struct {
        const char* before;
        std::string after;
        SkinId skin;
    } cases[] = {
        {kFlowHeadset, kFlowAdapter, SkinAdapterFound},
        {kFlowAdapter, kFlowHeadset, SkinHeadsetFound},
        {kFlowHeadset, std::string(kFlowHeadset) + kFlowAdapter, SkinSeveralDevices},
    };
    Press(ZoneContinue);
    for (const auto& c : cases) {
        Plug("");
        Wait(200);
        Plug(c.before);
        Wait(200);
        bool cancelled = false;
        window.dialogScript = [&](FakeSelectionDialog& dialog) {
            Plug(c.after);
            Wait(200);
            cancelled = !dialog.open && dialog.result == kCancelButton;
        };
        Press(ZoneFirmwareBox);
        window.dialogScript = nullptr;
        EXPECT_TRUE(cancelled) << c.after;
        EXPECT_EQ(controls.Skin(), c.skin) << c.after;
        EXPECT_EQ(state.dialogStage, DialogIdle);
    }
}

// One pass sees the headset gone and the adapter in its place.
TEST_F(WorkerFlowTest, AHeadsetSwappedForAnAdapterInOnePass) {
    HeadsetWithChoice();
    Plug(kFlowAdapter);
    Wait(100);
    EXPECT_EQ(controls.Skin(), SkinAdapterFound);
    EXPECT_EQ(state.deviceView, ViewAdapter);
    EXPECT_EQ(state.firmwareChosen, 0);
    EXPECT_EQ(VersionShown(), "1_0");
    EXPECT_FALSE(controls.Visible(ControlChosenFirmwareText));
}

TEST_F(WorkerFlowTest, AnUnknownKindIsDrawnAsAnAdapter) {
    Plug("device odd product=28F80108 kind=7 reply=v1_0_RX93\n");
    Press(ZoneContinue);
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinAdapterFound);
}

TEST_F(WorkerFlowTest, SeveralDevicesThenTheOneLeft) {
    Plug(std::string(kFlowAdapter) + kFlowHeadset);
    Press(ZoneContinue);
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinSeveralDevices);
    EXPECT_FALSE(controls.Visible(ControlCurrentVersionText));
    EXPECT_FALSE(controls.Visible(ControlChosenFirmwareText));
    Press(ZoneFirmwareBox);  // no firmware box on this screen
    EXPECT_EQ(window.dialogsOpened, 0);
    Plug(kFlowHeadset);
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinHeadsetFound);
    EXPECT_EQ(VersionShown(), "1_0");
}

TEST_F(WorkerFlowTest, ASuccessfulUpdateShowsTheNewVersionAndDoneStartsAfresh) {
    HeadsetWithChoice();
    Press(ZoneUpdate);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdating);
    EXPECT_EQ(controls.Text(ControlPercentText), "0 %");
    EXPECT_TRUE(system.keptAwake);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdated);
    EXPECT_EQ(controls.Text(ControlNewVersionText), "1_2");
    EXPECT_TRUE(controls.Visible(ControlNewVersionText));
    EXPECT_FALSE(controls.Visible(ControlPercentText));
    EXPECT_EQ(controls.Text(ControlProgressText), "");
    EXPECT_EQ(state.updateRequested, 0);
    EXPECT_FALSE(system.keptAwake);
    EXPECT_FALSE(controls.Visible(ControlPowerCycleText));

    Press(ZoneDoneUpdated);
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_FALSE(controls.Visible(ControlNewVersionText));
    // The version changed in the run: the next pass draws the device afresh.
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinHeadsetFound);
    EXPECT_EQ(VersionShown(), "1_2");
    EXPECT_EQ(state.firmwareChosen, 0);
}

TEST_F(WorkerFlowTest, ProgrammingTheSameVersionKeepsTheChoice) {
    HeadsetWithChoice("v1_0_RX93");
    Press(ZoneUpdate);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdated);
    Press(ZoneDoneUpdated);
    Wait(500);
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(state.firmwareChosen, 1);
}

TEST_F(WorkerFlowTest, VerifyPassesAfterAnUpdateAndFailsAgainstAnotherFile) {
    WriteFirmware("RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93", 1500, 1);
    WriteFirmware("RX93_Base_v1_3_ef.txt", "Base_v1_3", "v1_3_RX93", 1500, 2);
    Plug(kFlowAdapter);
    Press(ZoneContinue);
    Wait(200);
    ChooseRow(0);
    const std::string first = state.request.chosenFileName;
    Press(ZoneUpdate);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinAdapterUpdated);
    Press(ZoneDoneUpdated);
    Wait(200);  // new version: the found screen again
    ChooseRow(state.catalogueNames[0] == first ? 0 : 1);
    Press(ZoneVerify);
    EXPECT_EQ(controls.Skin(), SkinAdapterVerifying);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinAdapterVerified);
    Press(ZoneDoneVerified);
    EXPECT_EQ(controls.Skin(), SkinAdapterActions);

    ChooseRow(state.catalogueNames[0] == first ? 1 : 0);
    Press(ZoneVerify);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinAdapterMismatch);
    EXPECT_EQ(state.screenMode, ScreenFailed);
}

TEST_F(WorkerFlowTest, AFailedUpdateAndTryAgainRepeatsTheUpdate) {
    HeadsetWithChoice();
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 failpacket=20\n");
    Wait(200);
    Press(ZoneUpdate);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetFailed);
    EXPECT_EQ(state.modeProgramFirmwareOnly, 1);

    Plug(kFlowHeadset);  // the fault is cleared while the failed screen is up
    Press(ZoneTryAgain);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdating);
    EXPECT_EQ(state.request.modeVerifyOnly, 0);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdated);
}

TEST_F(WorkerFlowTest, AFailedUpdateSaysWhyOnScreenInTheLogAndInTheHistory) {
    RunRecorder recorder;
    ASSERT_TRUE(InstallRunRecorder(state, recorder));  // before the run is requested, as at start-up
    HeadsetWithChoice();
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 failpacket=20\n");
    Wait(200);
    Press(ZoneUpdate);
    Wait(10000);
    ASSERT_EQ(controls.Skin(), SkinHeadsetFailed);
    const std::string reason = controls.Text(ControlReasonText);
    EXPECT_TRUE(controls.Visible(ControlReasonText));
    EXPECT_EQ(reason.rfind("Stopped while programming page 1 of 2: the headset did not answer (status -", 0), 0u)
        << reason;

    std::ifstream file(recorder.Files().log);
    const std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find(" Device Failed Part 2 Programming...\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" Resetting the Device...\n"), std::string::npos);
    EXPECT_NE(log.find("Result: failed. " + reason + "\n"), std::string::npos);
    HistoryRecord runs[2];
    ASSERT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 2), 1);
    EXPECT_STREQ(runs[0].reason, reason.c_str());
    EXPECT_STREQ(runs[0].versionAfter, "1_0");
    EXPECT_EQ(runs[0].page, 1);

    Press(ZoneCancel);
    EXPECT_FALSE(controls.Visible(ControlReasonText));
    state.runListener = nullptr;
    state.runRecorder = nullptr;
}

TEST_F(WorkerFlowTest, TryAgainAfterAFailedVerifyVerifiesAndCancelGoesBackToChoosing) {
    HeadsetWithChoice();
    Press(ZoneVerify);  // nothing programmed yet: a mismatch
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetMismatch);
    recording::Clear();
    Press(ZoneTryAgain);
    EXPECT_EQ(controls.Skin(), SkinHeadsetVerifying);
    EXPECT_EQ(state.request.modeVerifyOnly, 1);
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetMismatch);
    Press(ZoneCancel);
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(state.screenMode, ScreenIdle);
    EXPECT_EQ(state.modeVerifyFirmwareOnly, 0);
    EXPECT_TRUE(controls.Visible(ControlChosenFirmwareText));
}

TEST_F(WorkerFlowTest, AnIdentityPageMismatchOffersTryAgainAndCancel) {
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93", 64 * 1024 + 100);
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 flipbit=10001:0\n");
    Press(ZoneContinue);
    Wait(200);
    ChooseRow(0);
    Press(ZoneVerify);
    Wait(60000);
    EXPECT_EQ(state.screenMode, ScreenFailed);  // nothing programmed: page 0 differs
    Press(ZoneCancel);
    Press(ZoneUpdate);
    Wait(60000);
    EXPECT_EQ(state.screenMode, ScreenIdMismatch);
    EXPECT_EQ(controls.Skin(), SkinHeadsetFailed);  // after an update
    Press(ZoneCancel);
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    EXPECT_EQ(state.screenMode, ScreenIdle);
}

TEST_F(WorkerFlowTest, ACloseDuringARunShowsTheWarningAndGotItResumes) {
    HeadsetWithChoice();
    Press(ZoneUpdate);
    Wait(150);  // the run has begun
    window.SendCloseRequest();
    EXPECT_FALSE(window.closed);
    EXPECT_TRUE(controls.Visible(ControlWarningPanel));
    EXPECT_EQ(state.warningOpen, 1);
    const size_t packets = recording::Packets().size();
    Wait(5000);
    EXPECT_LE(recording::Packets().size(), packets + 141u);  // at most the page in progress finishes
    EXPECT_EQ(state.updateRequested, 1);

    Press(ZoneGotIt);
    EXPECT_FALSE(controls.Visible(ControlWarningPanel));
    Wait(10000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdated);
    EXPECT_EQ(state.updateRequested, 0);
    window.SendCloseRequest();
    EXPECT_TRUE(window.closed);
}

TEST_F(WorkerFlowTest, AWarningLeftOpenAfterTheRunHoldsTheResult) {
    HeadsetWithChoice();
    Press(ZoneUpdate);
    Wait(200);
    Wait(3000);  // into the reset pauses
    window.SendCloseRequest();
    Wait(5000);  // the run is over, the result waits for the panel
    EXPECT_EQ(controls.Skin(), SkinHeadsetVerifying);
    EXPECT_EQ(state.updateRequested, 1);
    Press(ZoneGotIt);
    Wait(300);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdated);
    EXPECT_FALSE(controls.Visible(ControlWarningPanel));
}

TEST_F(WorkerFlowTest, DoneOnTheStillShownVerifyingSkinOnceTheRunHasPassed) {
    HeadsetWithChoice();
    Press(ZoneUpdate);
    Wait(10000);
    Press(ZoneDoneUpdated);
    Wait(300);
    ChooseRow(0);
    Press(ZoneVerify);
    Wait(100 + 100 + 100 + 2 * 166 + 500);  // verified, now in the pauses of the reset
    ASSERT_EQ(state.screenMode, ScreenPassed);
    ASSERT_EQ(controls.Skin(), SkinHeadsetVerifying);
    Press(ZoneDoneVerified);
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);
    Wait(8000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetActions);  // the worker draws no result over it
    EXPECT_EQ(state.updateRequested, 0);
}

// The session ends anyway during a run (WM_ENDSESSION): the run stops at its
// next page, even under the open warning, and the device is reset and closed
// without the pauses, so the run is recorded within the second Windows leaves.
TEST_F(WorkerFlowTest, ASessionEndingStopsTheRunAtThePageAndRecordsItAtOnce) {
    RunRecorder recorder;
    ASSERT_TRUE(InstallRunRecorder(state, recorder));
    HeadsetWithChoice();
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93", 4 * 1024);
    Press(ZoneUpdate);
    Wait(400);  // programming page 1
    window.SendCloseRequest();
    ASSERT_EQ(state.warningOpen, 1);
    ASSERT_EQ(state.runUnrecorded, 1);
    state.sessionEnding = 1;
    Wait(1000);
    state.warningOpen = 0;  // GOT IT after the fact: a failing run is not held for ever
    EXPECT_EQ(state.runUnrecorded, 0);
    EXPECT_EQ(recording::CountCalls("systemReset"), 1);
    EXPECT_EQ(recording::CountCalls("AvDllCloseHandle"), recording::CountCalls("AvDllOpenDevice"));
    HistoryRecord runs[1];
    ASSERT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 1), 1);
    EXPECT_STREQ(runs[0].result, "failed");
    EXPECT_STREQ(runs[0].cause, "interrupted");
    EXPECT_LE(runs[0].page, 2);
    state.runListener = nullptr;
    state.runRecorder = nullptr;
}

// An ending session the worker meets before it takes up the requested run:
// the device is not touched.
TEST_F(WorkerFlowTest, ARunRequestedAsTheSessionEndsNeverBegins) {
    HeadsetWithChoice();
    Press(ZoneUpdate);
    state.sessionEnding = 1;
    Wait(1000);
    EXPECT_EQ(state.runUnrecorded, 0);
    EXPECT_EQ(recording::CountCalls("SerialMemEnterFlashMode"), 0);
}

TEST_F(WorkerFlowTest, StoppingParksTheWorkerOutsideTheLibrary) {
    Plug(kFlowHeadset);
    Press(ZoneContinue);
    Wait(500);
    state.stopRequested = 1;
    Wait(150);
    EXPECT_EQ(state.workerParked, 1);
    const size_t calls = recording::Calls().size();
    Wait(1000);
    EXPECT_EQ(recording::Calls().size(), calls);
}

}  // namespace
