// Binding the really loaded simulator library, and the variants that each
// lack one entry point.
#include "device/device_library.h"

#include <gtest/gtest.h>

#include <fstream>

#include "device/found_devices.h"
#include "device/library_session.h"
#include "device/discovery.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_folder.h"

namespace {

struct Bound {
    ScopedTestFolder folder;
    FakeSystem system;
    DeviceLibrary library;
    void* module = nullptr;
    ~Bound() {
        if (module != nullptr) system.UnloadDynamicLibrary(module);
    }
};

int BoundCount(const DeviceLibrary& library) {
    int count = 0;
#define COUNT_BOUND(name, params, args) count += library.name != nullptr ? 1 : 0;
    DEVICE_LIBRARY_ENTRY_POINTS(COUNT_BOUND)
#undef COUNT_BOUND
    return count;
}

TEST(BindingTest, TheSimulatorLibraryBindsAllTwentyTwo) {
    Bound bound;
    EXPECT_EQ(BindDeviceLibrary(bound.system, ScopedTestFolder::SimulatorLibrary(), bound.library, bound.module), BindDone);
    EXPECT_EQ(BoundCount(bound.library), 22);
    EXPECT_EQ(bound.system.standardOutput, "");
}

TEST(BindingTest, AMissingLibraryIsReportedQuietly) {
    Bound bound;
    EXPECT_EQ(BindDeviceLibrary(bound.system, "./no_such_folder/hostapi_vmi.dll", bound.library, bound.module),
              BindNoLibrary);
    EXPECT_EQ(bound.module, nullptr);
    EXPECT_EQ(bound.system.standardOutput, "");
}

TEST(BindingTest, MissingPairedIdSetPrintsItsLineAndStopsLooking) {
    Bound bound;
    EXPECT_EQ(BindDeviceLibrary(bound.system, ScopedTestFolder::LibraryWithoutPairedIdSet(), bound.library, bound.module),
              BindMissingEntry);
    EXPECT_EQ(bound.system.standardOutput, "Failed to find systemPairedArbDeviceIdSet\n");
    EXPECT_NE(bound.library.systemDeviceIdSet, nullptr);
    EXPECT_EQ(bound.library.systemDeviceIdsCommit, nullptr);  // never looked up
    EXPECT_EQ(BoundCount(bound.library), 8);
}

TEST(BindingTest, MissingSerialMemWritePrintsNothing) {
    Bound bound;
    EXPECT_EQ(BindDeviceLibrary(bound.system, ScopedTestFolder::LibraryWithoutSerialMemWrite(), bound.library, bound.module),
              BindMissingEntry);
    EXPECT_EQ(bound.system.standardOutput, "");
    EXPECT_EQ(BoundCount(bound.library), 16);
}

// Discovery through the loaded library, with the device file in the working folder.
TEST(BindingTest, DiscoveryRunsThroughTheLoadedLibrary) {
    Bound bound;
    {
        std::ofstream file("sim_devices.txt");
        file << "# one headset\ndevice headset product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n";
    }
    ASSERT_EQ(BindDeviceLibrary(bound.system, ScopedTestFolder::SimulatorLibrary(), bound.library, bound.module), BindDone);
    FoundDevices devices;
    LibrarySession session;
    session.library = bound.library;
    ASSERT_EQ(session.library.AvDllInitialize(), 0);
    DiscoverDevices(devices, session);
    EXPECT_EQ(devices.deviceCount, 1);
    char version[32];
    devices.firmwareLabel[0].versionText.Load(version, sizeof version);
    EXPECT_STREQ(version, "1_2");
    session.library.AvDllShutdown();
}

}  // namespace
