// A timed run, not a test: the curve between precision and CPU of the 1 ms
// pause. For a few fixed wake-up margins and for the learnt one, 2000 pauses
// of 1 ms each on the platform's own timer, with the mean length of a pause
// over the 1 ms asked and the CPU each cost. Builds in both trees; under
// Wine it shows what the program's pauses cost there.
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>
#else
#include <sys/resource.h>
#endif

#include <cstdio>
#include <initializer_list>

#include "platform/precise_pause.h"
#include "platform/system.h"

namespace {

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

void Measure(const char* name, int32_t fixedMargin) {
    constexpr int kPauses = 2000;
    System& system = PlatformSystem();
    WakeLateness& lateness = ThisThreadWakeLateness();
    const WakeLateness learnt = lateness;
    lateness.fixedMarginMicros = fixedMargin;
    uint64_t worst = 0;
    const double cpu = CpuSeconds();
    const uint64_t start = system.MonotonicMicros();
    for (int i = 0; i < kPauses; ++i) {
        const uint64_t before = system.MonotonicMicros();
        system.Sleep(1);
        const uint64_t took = system.MonotonicMicros() - before;
        if (took > worst) worst = took;
    }
    const double wallMs = static_cast<double>(system.MonotonicMicros() - start) / 1000.0;
    const double cpuMs = (CpuSeconds() - cpu) * 1000.0;
    std::printf("%-16s ratio %.4f  worst %.3f ms  CPU %.1f us a pause, %.1f %% of a core\n", name,
                wallMs / kPauses, static_cast<double>(worst) / 1000.0, cpuMs * 1000.0 / kPauses,
                100.0 * cpuMs / wallMs);
    const int32_t margin = static_cast<int32_t>(WakeMargin(lateness));
    lateness = learnt;
    if (fixedMargin < 0) std::printf("%-16s (learnt margin %d us)\n", "", margin);
}

}  // namespace

int main() {
    System& system = PlatformSystem();
    system.BeginTimerPeriod();
    system.Sleep(100);  // a long pause first, as the program's, where the way of waiting is chosen
    for (int i = 0; i < 200; ++i) system.Sleep(1);  // learns the timer
    Measure("learnt margin", -1);
    for (int32_t margin : {0, 50, 100, 150, 200, 300, 400, 1000}) {
        char name[32];
        std::snprintf(name, sizeof name, "margin %d us", margin);
        Measure(name, margin);
    }
    system.EndTimerPeriod();
    return 0;
}
