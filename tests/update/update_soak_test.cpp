// A seeded, bounded soak of the update engine against the simulator: random
// images, kinds, modes and faults, checking what must hold after every run.
#include <random>

#include "firmware/firmware_image.h"
#include "tests/support/update_fixture.h"

namespace {

struct Scenario {
    std::string devices;
    std::vector<uint8_t> image;
    bool verifyOnly;
};

Scenario RandomScenario(std::mt19937& random) {
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    static const char* const kDevices[] = {
        "device d product=28F80106 kind=13 reply=v1_0_RX93",
        "device d product=28F80108 kind=12 reply=v1_0_RX93",
        "device d product=28F80109 kind=7 reply=v1_0_RX71",
    };
    static const int kSmallPages[] = {1, 1, 2, 3, 4, 5, 8};
    static const int kLargePages[] = {64, 65, 66};
    const int pages = pick(50) == 0 ? kLargePages[pick(3)] : kSmallPages[pick(7)];
    const int32_t byteCount = (pages - 1) * 1024 + 1 + pick(1024);
    const int packets = pages * 141;

    std::string devices = kDevices[pick(3)];
    char fault[64] = "";
    switch (pick(10)) {
        case 0: std::snprintf(fault, sizeof fault, " failpacket=%d", 1 + pick(packets)); break;
        case 1: std::snprintf(fault, sizeof fault, " flipbit=%X:%d", pick(byteCount), pick(8)); break;
        case 2: std::snprintf(fault, sizeof fault, " fail=rom"); break;
        case 3: std::snprintf(fault, sizeof fault, " fail=reset"); break;
        case 4: std::snprintf(fault, sizeof fault, " unplugafter=%d", 1 + pick(packets)); break;
        case 5: std::snprintf(fault, sizeof fault, " packetstatus=%d", 1 + pick(3)); break;
        case 6: std::snprintf(fault, sizeof fault, " failpage=%d", pick(pages)); break;
        default: break;
    }
    devices += fault;
    devices += "\n";
    return {devices, MakeImage(byteCount, static_cast<uint32_t>(random())), pick(5) == 0};
}

class UpdateSoakTest : public UpdateFixture {};

TEST_F(UpdateSoakTest, InvariantsHoldOverThousandsOfRandomRuns) {
    std::mt19937 random(20261208);
    const int runs = 1500;
    for (int run = 0; run < runs; ++run) {
        const Scenario scenario = RandomScenario(random);
        sim::Reset();
        sim::AvDllInitialize();
        // The device starts with stale content in every page.
        Attach(scenario.devices);
        const std::vector<uint8_t> before = SerialMemory("d", 0, sim::kSerialMemoryBytes);
        Choose("f_v1_0_x.txt", scenario.image);
        state.screenMode = ScreenIdle;
        Run(scenario.verifyOnly);
        SCOPED_TRACE("run " + std::to_string(run) + ": " + scenario.devices);

        const int32_t byteCount = static_cast<int32_t>(scenario.image.size());
        const int32_t pages = (byteCount + 1023) / 1024;
        const bool identityImage = pages == 65 || pages == 129;
        const int32_t checked = identityImage ? (pages - 1) * 1024 + 32 : byteCount;
        const std::vector<uint8_t> after = SerialMemory("d", 0, sim::kSerialMemoryBytes);

        const int32_t mode = state.screenMode;
        ASSERT_TRUE(mode == ScreenFailed || mode == ScreenPassed || mode == ScreenIdMismatch);
        if (mode == ScreenPassed && !scenario.verifyOnly) {
            ASSERT_TRUE(std::equal(after.begin(), after.begin() + checked, scenario.image.begin()))
                << "passed without the image in serial memory";
        }
        ASSERT_TRUE(std::equal(after.begin() + pages * 1024, after.end(), before.begin() + pages * 1024))
            << "written outside the image's pages";
        if (scenario.verifyOnly) {
            ASSERT_EQ(after, before) << "a verify changed the device";
        }

        // Reset and close follow every attempted ROM mode.
        const auto& calls = recording::Calls();
        auto rom = std::find_if(calls.begin(), calls.end(),
                                [](const recording::Call& c) { return c.entry == "SerialMemEnterFlashMode"; });
        if (rom != calls.end()) {
            ASSERT_GE(calls.size(), 2u);
            ASSERT_EQ(calls[calls.size() - 2].entry, "systemReset");
            ASSERT_EQ(calls.back().entry, "AvDllCloseHandle");
        }
        ASSERT_EQ(FirmwareImagesHeld(), 0);
        ASSERT_EQ(system.timerPeriodDepth, 0);
        ASSERT_EQ(sim::OpenHandleCount(), 0);
        system.pauses.clear();
        controls.ClearHistory();
    }
}

}  // namespace
