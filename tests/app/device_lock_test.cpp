// The device lock between the window and the command line: the window's
// idle discovery leaves the devices alone while another program holds it,
// and the platform lock really excludes another holder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/run_reason.h"
#include "tests/support/interaction_fixture.h"
#include "tests/support/update_fixture.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

class DeviceLockFlowTest : public InteractionFixture {};

TEST_F(DeviceLockFlowTest, TheIdlePassWaitsWhileAnotherProgramHoldsTheDevices) {
    Plug(kFlowHeadset);
    system.deviceLockHeldElsewhere = true;
    Press(ZoneContinue);
    Wait(1000);
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 0);
    EXPECT_EQ(controls.Skin(), SkinNoConnection);
    EXPECT_GE(system.deviceLockRefusals, 9);

    system.deviceLockHeldElsewhere = false;
    Wait(200);
    EXPECT_EQ(controls.Skin(), SkinHeadsetFound);
    EXPECT_EQ(system.deviceLockDepth, 0);  // every pass let it go
}

// A click while the command line holds the devices: the look before the
// run waits for the lock too, so not one call reaches the library (on a
// generic device a pass would even reset it).
TEST_F(DeviceLockFlowTest, TheLookBeforeARunLeavesADeviceAnotherProgramHoldsAlone) {
    WriteFirmware("RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93");
    Plug(kFlowAdapter);
    Press(ZoneContinue);
    Wait(200);
    ChooseRow(0);
    system.deviceLockHeldElsewhere = true;
    recording::Clear();
    Press(ZoneUpdate);
    Wait(20000);
    EXPECT_EQ(recording::Calls().size(), 0u);
    EXPECT_EQ(state.runOutcome.cause, CauseDeviceBusy);
    EXPECT_EQ(controls.Skin(), SkinAdapterFailed);
}

class DeviceLockRunTest : public UpdateFixture {};

// The window's run while the command line holds the devices: refused before
// anything reaches the device, with the reason on the failed screen.
TEST_F(DeviceLockRunTest, ARunIsRefusedWhileAnotherProgramHoldsTheDevices) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_2_ef.txt", MakeImage(1500));
    system.deviceLockHeldElsewhere = true;
    Run();
    EXPECT_EQ(state.screenMode, ScreenFailed);
    EXPECT_EQ(state.runOutcome.cause, CauseDeviceBusy);
    EXPECT_EQ(state.runOutcome.stage, StageNotStarted);
    EXPECT_EQ(recording::CountCalls("AvDllFindDevice"), 0);
    char reason[256];
    FormatRunReason(state.runOutcome, KindHeadset, state.request.chosenFileName, reason, sizeof reason);
    EXPECT_STREQ(reason, "Another program is working on the headset. Wait until it has finished, then press Try Again.");

    system.deviceLockHeldElsewhere = false;
    Run();
    EXPECT_EQ(state.screenMode, ScreenPassed);
    EXPECT_EQ(system.deviceLockDepth, 0);  // held for the run, let go after the close
}

#ifndef _WIN32
// Another process's hold, as flock sees it: a separate open of the file.
class PlatformLockTest : public ::testing::Test {
   protected:
    void SetUp() override {
        path_ = std::string(::testing::TempDir()) + "veltrane-lock-test-" + std::to_string(getpid()) + ".lock";
        setenv("VELTRANE_DEVICE_LOCK", path_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VELTRANE_DEVICE_LOCK");
        unlink(path_.c_str());
    }
    std::string path_;
};

TEST_F(PlatformLockTest, AHolderElsewhereKeepsItAndTakingsHereNest) {
    System& system = PlatformSystem();
    const int other = open(path_.c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(system.TryLockDevices());
    flock(other, LOCK_UN);

    ASSERT_TRUE(system.TryLockDevices());
    ASSERT_TRUE(system.TryLockDevices());  // nested in this process
    system.UnlockDevices();
    EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);  // still held: one taking left
    system.UnlockDevices();
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);  // the last one let it go
    close(other);
}
#endif

}  // namespace
