// The device lock between the window and the command line: the window's
// idle discovery leaves the devices alone while another program holds it,
// and the platform lock really excludes another holder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/interaction_fixture.h"

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
