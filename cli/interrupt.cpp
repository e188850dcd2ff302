// The portable half of Ctrl+C: counting presses and asking the run to stop.
#include "cli/interrupt.h"

namespace {

std::atomic<int> presses{0};
std::atomic<int> stopAt{1};
std::atomic<std::atomic<uint8_t>*> stopFlag{nullptr};

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");
static_assert(std::atomic<uint8_t>::is_always_lock_free, "the handler may only touch lock-free atomics");

}  // namespace

void InstallInterruptHandlerPlatform();  // interrupt_posix.cpp, interrupt_win.cpp

void InstallInterruptHandler(std::atomic<uint8_t>& stopRun, int pressesToStopRun) {
    stopFlag = &stopRun;
    stopAt = pressesToStopRun;
    presses = 0;
    InstallInterruptHandlerPlatform();
}

int InterruptPresses() { return presses; }

void OnInterrupt() {
    const int now = presses.fetch_add(1) + 1;
    std::atomic<uint8_t>* flag = stopFlag.load();
    if (flag != nullptr && now >= stopAt.load()) flag->store(1);
}
