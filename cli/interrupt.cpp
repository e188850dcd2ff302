// The portable half of Ctrl+C: counting presses and telling when they stop a run.
#include "cli/interrupt.h"

#include <atomic>

namespace {

std::atomic<int> presses{0};
std::atomic<int> stopAt{1};

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");

}  // namespace

void InstallInterruptHandlerPlatform();  // interrupt_posix.cpp, interrupt_win.cpp

void InstallInterruptHandler(int pressesToStopRun) {
    stopAt = pressesToStopRun;
    presses = 0;
    InstallInterruptHandlerPlatform();
}

int InterruptPresses() { return presses; }

bool InterruptStopsRun() { return presses.load() >= stopAt.load(); }

void OnInterrupt() { presses.fetch_add(1); }
