// Devices a run cut short: firmware half-written, ROM mode left behind, kept
// across unplugs and restarts until a full run makes the device whole.
#include <cstring>

#include "sim/version_stamp.h"
#include "tests/support/update_fixture.h"

namespace {

// A generic headset: its file fits whatever model it reports, so a run can
// start on it while it answers unrecognised. Discovery resets it.
const std::string kHeadset = "memory mem\ndevice h product=170D0101 kind=13 identity=01 reply=v1_0_RX93";

class InterruptedDeviceTest : public UpdateFixture {
   protected:
    std::vector<uint8_t> image = MakeImage(5 * 1024, 7);
    void SetUp() override {
        UpdateFixture::SetUp();
        std::memcpy(image.data() + sim::kStampOffset, "VRPLv1_2_RX93\0", 14);
    }
    void PlugAndRun(const std::string& devices, bool verifyOnly = false) {
        Attach(devices + "\n");
        Choose("Headset_v1_2_ef.txt", image);
        Run(verifyOnly);
    }
    void Restart(const std::string& devices) {  // a new process: all in memory forgotten
        sim::Reset();
        sim::UseDeviceText((devices + "\n").c_str());
        sim::AvDllInitialize();
    }
    std::string Model() {
        Attach(kHeadset + "\n");
        char model[32] = {};
        state.devices.firmwareLabel[0].modelText.Load(model, sizeof model);
        return model;
    }
    sim::DeviceStatus Status() {
        sim::DeviceStatus status{};
        EXPECT_TRUE(sim::InspectDevice("h", status));
        return status;
    }
    bool HoldsPages(int32_t pages) {  // and nothing past them
        const std::vector<uint8_t> memory = SerialMemory("h", 0, 5 * 1024);
        return std::equal(image.begin(), image.begin() + pages * 1024, memory.begin()) && memory[pages * 1024] == 0xFF;
    }
};

// 73 packets program a page: the third page's set-up is cut short.
TEST_F(InterruptedDeviceTest, HalfWrittenFirmwareAnswersUnrecognisedUntilAFullRun) {
    PlugAndRun(kHeadset + " unplugafter=150");
    EXPECT_TRUE(HoldsPages(2));
    EXPECT_EQ(Model(), "");  // plugged back in, and reset by discovery

    Choose("Headset_v1_2_ef.txt", image);
    sim::UseDeviceText((kHeadset + " state=rommode\n").c_str());
    uint32_t ids[10];
    sim::AvDllListDevices(0, 10, nullptr, ids);  // listed without discovery's reset
    EXPECT_TRUE(Status().inRomMode);
    Run();
    EXPECT_EQ(state.runOutcome.screenMode, ScreenPassed);
    EXPECT_EQ(Model(), "RX93");

    PlugAndRun(kHeadset + " state=interrupted", true);  // a verify commits nothing
    EXPECT_EQ(Model(), "");
}

// Killed after a failed packet, before the reset: the next process finds
// the pages committed and the device in ROM mode, and runs from there.
TEST_F(InterruptedDeviceTest, AKilledProgramLeavesMemoryAndRomModeToTheNext) {
    Attach(kHeadset + " failpacket=150\n");
    Choose("Headset_v1_2_ef.txt", image);
    recording::BeforeNextCall("systemReset", [] { sim::Reset(); });
    Run();

    Restart(kHeadset);
    EXPECT_TRUE(HoldsPages(2));
    EXPECT_TRUE(Status().inRomMode);
    EXPECT_EQ(Status().reply[0], 0);
    PlugAndRun(kHeadset);
    EXPECT_EQ(state.runOutcome.screenMode, ScreenPassed);

    Restart(kHeadset + " state=rommode,interrupted");  // the saved state wins over the word
    EXPECT_FALSE(Status().inRomMode);
    EXPECT_EQ(Model(), "RX93");
}

}  // namespace
