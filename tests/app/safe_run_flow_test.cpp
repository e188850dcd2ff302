// A run programs only the device the firmware was chosen for, and no screen
// is left without a way forward, whatever the user and the devices do while
// the worker is inside the library.
#include <algorithm>

#include "tests/support/interaction_fixture.h"

namespace {

class SafeRunFlowTest : public InteractionFixture {
   protected:
    // Continue, then the adapter with its file chosen (the actions screen).
    void AdapterWithChoice() {
        WriteFirmware("RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93");
        Plug(kFlowAdapter);
        Press(ZoneContinue);
        Wait(200);
        ChooseRow(0);
        ASSERT_EQ(controls.Skin(), SkinAdapterActions);
    }

    // True when a firmware image's version stamp is in the device's memory.
    bool HoldsAnImage(const char* device) {
        uint8_t stamp[4] = {};
        sim::ReadSerialMemory(device, sim::kStampOffset, sizeof stamp, stamp);
        return std::memcmp(stamp, sim::kStampMagic, sizeof stamp) == 0;
    }

    bool RunReachedTheDevice() {
        const auto lines = controls.LogLines();
        return std::find(lines.begin(), lines.end(), "Connecting to the Device...") != lines.end();
    }

    // The failed screen offers both of its buttons: Cancel goes back to
    // choosing, and from there idle discovery runs again.
    void ExpectCancelAnswers() {
        Press(ZoneCancel);
        EXPECT_EQ(state.screenMode, ScreenIdle);
        const int listings = recording::CountCalls("AvDllListDevices");
        Wait(300);
        EXPECT_GT(recording::CountCalls("AvDllListDevices"), listings);
    }
};

// Presses on the main window while the selection dialog is open (an
// accessibility tool's action, a press that was on its way) start nothing:
// a run under the dialog left a dead screen behind when the dialog closed.
TEST_F(SafeRunFlowTest, PressesUnderTheOpenDialogStartNothing) {
    AdapterWithChoice();
    window.dialogScript = [&](FakeSelectionDialog& dialog) {
        Press(ZoneUpdate);
        PressZone(state, ZoneVerify);
        Wait(300);
        EXPECT_EQ(state.updateRequested, 0);
        dialog.selected = 0;
        SelectFirmware(state, dialog);
    };
    Press(ZoneFirmwareBox);
    window.dialogScript = nullptr;
    Wait(1000);
    EXPECT_FALSE(RunReachedTheDevice());
    EXPECT_EQ(controls.Skin(), SkinAdapterActions);
    Press(ZoneUpdate);  // the dialog closed: the screen answers
    Wait(20000);
    EXPECT_EQ(controls.Skin(), SkinAdapterUpdated);
}

TEST_F(SafeRunFlowTest, AHeadsetListedFirstInThePassOfTheClickGetsNothing) {
    AdapterWithChoice();
    recording::BeforeNextCall("AvDllListDevices", [&] {
        Plug(std::string(kFlowHeadset) + kFlowAdapter);
        Press(ZoneUpdate);
    });
    Wait(20000);
    EXPECT_FALSE(HoldsAnImage("headset")) << "the adapter's image went into the headset";
    EXPECT_FALSE(RunReachedTheDevice());
    EXPECT_EQ(state.updateRequested, 0);
    EXPECT_EQ(state.screenMode, ScreenFailed);
    EXPECT_EQ(controls.Skin(), SkinAdapterFailed);
    ExpectCancelAnswers();
    EXPECT_EQ(controls.Skin(), SkinSeveralDevices);
}

TEST_F(SafeRunFlowTest, AnUnplugInThePassOfTheClickLeavesTryAgainAndCancelLive) {
    AdapterWithChoice();
    recording::BeforeNextCall("AvDllListDevices", [&] {
        Plug("");
        Press(ZoneUpdate);
    });
    Wait(20000);
    EXPECT_FALSE(RunReachedTheDevice());
    EXPECT_EQ(state.screenMode, ScreenFailed);
    EXPECT_EQ(controls.Skin(), SkinAdapterFailed);
    EXPECT_EQ(state.modeProgramFirmwareOnly, 1);

    Plug(kFlowAdapter);  // plugged back: Try Again runs the update
    Press(ZoneTryAgain);
    Wait(20000);
    EXPECT_EQ(controls.Skin(), SkinAdapterUpdated);
}

TEST_F(SafeRunFlowTest, ANewVersionSeenInThePassOfTheClickStillRunsOnTheSameDevice) {
    AdapterWithChoice();
    recording::BeforeNextCall("AvDllListDevices", [&] {
        Plug("device adapter product=28F80108 kind=12 identity=01 reply=v1_3_RX93\n");
        Press(ZoneUpdate);
    });
    Wait(20000);
    EXPECT_EQ(controls.Skin(), SkinAdapterUpdated);
    EXPECT_EQ(controls.Text(ControlNewVersionText), "1_1");
}

TEST_F(SafeRunFlowTest, DoneWhileTheResetIsRunningThenAFailedResetLeavesTheUsersScreen) {
    WriteFirmware("RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93");
    Plug("device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93 fail=reset\n");
    Press(ZoneContinue);
    Wait(200);
    ChooseRow(0);
    recording::BeforeNextCall("systemReset", [&] {
        ASSERT_EQ(state.screenMode, ScreenPassed);
        Press(ZoneDoneUpdated);  // over the still-shown verifying skin
    });
    Press(ZoneUpdate);
    Wait(20000);
    EXPECT_EQ(state.updateRequested, 0);
    EXPECT_EQ(state.screenMode, ScreenIdle);
    EXPECT_NE(controls.Skin(), SkinAdapterFailed);
    EXPECT_EQ(controls.Skin(), SkinAdapterActions);
    const int listings = recording::CountCalls("AvDllListDevices");
    Wait(300);
    EXPECT_GT(recording::CountCalls("AvDllListDevices"), listings);  // discovery goes on
}

TEST_F(SafeRunFlowTest, AFileRenamedToAnotherDevicesNameIsNotProgrammed) {
    AdapterWithChoice();
    // The chosen file now carries another tag in its first line.
    WriteFirmware("RX93_Base_v1_1_ef.txt", "Headset_v1_1", "v1_1_RX93");
    Press(ZoneUpdate);
    Wait(20000);
    EXPECT_FALSE(RunReachedTheDevice());
    EXPECT_EQ(controls.Skin(), SkinAdapterFailed);
    ExpectCancelAnswers();
}

}  // namespace
