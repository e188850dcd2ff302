// A timed run, not a test: a full update and verify of a 64-page image
// against the in-process simulator with the real pauses, reported as wall
// time from ROM mode to the close over the 24,733 ms of pauses the sequence
// mandates there, with the CPU time the process used meanwhile and the
// shortest of each kind of pause seen on the real clock. Builds in both
// trees, so the Windows figure comes from running it under Wine.
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "device/discovery.h"
#include "device/found_devices.h"
#include "device/library_session.h"
#include "sim/simulator.h"
#include "tests/support/image_files.h"
#include "update/null_seat.h"
#include "update/run_checks.h"
#include "update/run_request.h"
#include "update/update_sequence.h"

namespace {

// ROM mode to close: the pause after ROM mode, the one before the first
// page, 64 programmed pages, 64 verified pages, the pause after the reset.
constexpr double kMandatedMs = 100 + 1 + 64 * 172 + 64 * 166 + 3000;

// User and kernel time of the whole process.
double CpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

// The platform's own pauses, each timed on the monotonic clock, and the
// moments the run reaches ROM mode and the close (the first pauses of 100 ms
// and 3000 ms after the connection mark them).
struct TimedSystem : System {
    System& real = PlatformSystem();
    uint64_t shortest[3] = {~0ull, ~0ull, ~0ull};  // 1 ms, 100 ms, 3000 ms
    uint64_t longest[3] = {};
    uint32_t pauses = 0;
    uint64_t romMicros = 0, closeMicros = 0;
    double romCpu = 0, closeCpu = 0;

    void Sleep(uint32_t milliseconds) override {
        const uint64_t start = real.MonotonicMicros();
        real.Sleep(milliseconds);
        const uint64_t took = real.MonotonicMicros() - start;
        const int kind = milliseconds == 1 ? 0 : milliseconds == 100 ? 1 : 2;
        shortest[kind] = std::min(shortest[kind], took);
        longest[kind] = std::max(longest[kind], took);
        // Pause 2 follows the ROM-mode call; the 3000 ms after the reset
        // ends at the close.
        if (++pauses == 2) {
            romMicros = start;
            romCpu = CpuSeconds();
        }
        if (milliseconds == 3000 && closeMicros == 0) {
            closeMicros = start + took;
            closeCpu = CpuSeconds();
        }
    }
    uint64_t MonotonicMicros() override { return real.MonotonicMicros(); }
    int64_t WallClockMillis() override { return real.WallClockMillis(); }
    void BeginTimerPeriod() override { real.BeginTimerPeriod(); }
    void EndTimerPeriod() override { real.EndTimerPeriod(); }
    bool CurrentFolder(char* out, size_t size) override { return real.CurrentFolder(out, size); }
    bool ListFolder(const char* pattern, FolderVisitor visit, void* context) override {
        return real.ListFolder(pattern, visit, context);
    }
    bool DataFolder(char* out, size_t size) override { return real.DataFolder(out, size); }
    void* LoadDynamicLibrary(const char* path) override { return real.LoadDynamicLibrary(path); }
    void* FindEntryPoint(void* module, const char* name) override { return real.FindEntryPoint(module, name); }
    void UnloadDynamicLibrary(void* module) override { real.UnloadDynamicLibrary(module); }
    void WriteStandardOutput(const char* text) override { real.WriteStandardOutput(text); }
    void KeepAwake(bool on) override { real.KeepAwake(on); }
};

}  // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() / "veltrane-update-bench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    WriteImageFile("RX93_Headset_v1_2_ef.txt", MakeImage(64 * 1024), "Headset_v1_2");

    sim::Reset();
    sim::UseDeviceText("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n");
    sim::AvDllInitialize();
    static FoundDevices devices;
    static LibrarySession session;
    static RunRequest request;
    static TimedSystem system;
    NullSeat seat;
    session.library = sim::SimulatorLibrary();
    DiscoverDevices(devices, session);
    ChooseFirmware(request, devices, "RX93_Headset_v1_2_ef.txt");

    DeviceLockScope lock(system);
    const bool passed = RunUpdate(request, devices, session, system, seat, lock).screenMode == ScreenPassed;
    const double wallMs = static_cast<double>(system.closeMicros - system.romMicros) / 1000.0;
    const double cpu = system.closeCpu - system.romCpu;
    std::printf("64-page update and verify: %s; ROM mode to close %.0f ms over %.0f ms mandated, ratio %.4f\n",
                passed ? "passed" : "FAILED", wallMs, kMandatedMs, wallMs / kMandatedMs);
    std::printf("CPU meanwhile: %.2f s, %.1f %% of a core\n", cpu, 100.0 * cpu / (wallMs / 1000.0));
    std::printf("pauses seen (shortest / longest): 1 ms %.3f / %.3f ms, 100 ms %.3f / %.3f ms, 3000 ms %.3f / %.3f ms\n",
                system.shortest[0] / 1000.0, system.longest[0] / 1000.0, system.shortest[1] / 1000.0,
                system.longest[1] / 1000.0, system.shortest[2] / 1000.0, system.longest[2] / 1000.0);
    const bool neverShort = system.shortest[0] >= 1000 && system.shortest[1] >= 100000 && system.shortest[2] >= 3000000;
    std::printf("no pause shorter than mandated: %s\n", neverShort ? "yes" : "NO");
    sim::AvDllShutdown();
    std::filesystem::current_path(folder.parent_path());
    std::filesystem::remove_all(folder);
    return passed && neverShort ? 0 : 1;
}
