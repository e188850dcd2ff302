// A measured run, not a test: the worker's CPU use while it idles with the
// real 100 ms pacing, on the no-device screen and on the one-device screen.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "app/update_worker.h"
#include "app/updater_state.h"
#include "sim/simulator.h"
#include "tests/support/recording_controls.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Measure(UpdaterState& state, const char* screen, const char* devices, int seconds) {
    sim::UseDeviceText(devices);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the screen is drawn
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-22s CPU %.3f%% of one core (%.1f ms per second; %d passes a second)\n", screen,
                100.0 * (CpuSeconds() - cpu) / wall, 1000.0 * (CpuSeconds() - cpu) / wall, 10);
    (void)state;
}

}  // namespace

int main() {
    sim::Reset();
    sim::UseDeviceText("");
    sim::AvDllInitialize();
    static UpdaterState state;
    RecordingControls controls;
    state.session.library = sim::SimulatorLibrary();
    state.system = &PlatformSystem();
    state.controls = &controls;
    state.screenMode = ScreenIdle;
    std::thread worker([] { UpdateWorker(state); });
    Measure(state, "no device:", "", 10);
    Measure(state, "one headset:", "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n", 10);
    state.stopRequested = 1;
    state.workerRelease = 1;
    worker.join();
    sim::AvDllShutdown();
    return 0;
}
