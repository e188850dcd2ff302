// A timed run, not a test: a full update and verify of a 64-page image
// against the in-process simulator with the real pauses, reported as wall
// time over the 27,833 ms of pauses the sequence mandates. Builds in both
// trees, so the Windows figure comes from running it under Wine.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/updater_state.h"
#include "device/discovery.h"
#include "sim/simulator.h"
#include "tests/support/image_files.h"
#include "tests/support/recording_controls.h"
#include "update/update_sequence.h"

int main() {
    const auto folder = std::filesystem::temp_directory_path() / "veltrane-update-bench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    WriteImageFile("RX93_Headset_v1_2_ef.txt", MakeImage(64 * 1024));

    sim::Reset();
    sim::UseDeviceText("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n");
    sim::AvDllInitialize();
    static UpdaterState state;
    RecordingControls controls;
    state.library = sim::SimulatorLibrary();
    state.system = &PlatformSystem();
    state.controls = &controls;
    state.screenMode = ScreenIdle;
    DiscoverDevices(state);
    std::snprintf(state.chosenFileName, sizeof state.chosenFileName, "%s", "RX93_Headset_v1_2_ef.txt");

    constexpr double kMandatedMs = 100 + 100 + 1 + 64 * 172 + 64 * 166 + 6000;
    const auto start = std::chrono::steady_clock::now();
    RunUpdate(state);
    const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("64-page update and verify: %s, %.0f ms wall, %.0f ms of mandated pauses, ratio %.4f\n",
                state.screenMode == ScreenPassed ? "passed" : "FAILED", wallMs, kMandatedMs, wallMs / kMandatedMs);
    sim::AvDllShutdown();
    std::filesystem::current_path(folder.parent_path());
    std::filesystem::remove_all(folder);
    return state.screenMode == ScreenPassed ? 0 : 1;
}
