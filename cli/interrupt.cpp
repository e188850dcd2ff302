// The portable half of Ctrl+C: counting presses and telling when they stop a run.
#include "cli/interrupt.h"

#include <atomic>

namespace {

std::atomic<int> presses{0};
std::atomic<int> stopAt{1};
std::atomic<bool> ending{false};
std::atomic<bool> haste{false};

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");
static_assert(std::atomic<bool>::is_always_lock_free, "the handler may only touch lock-free atomics");

}  // namespace

// interrupt_posix.cpp, interrupt_win.cpp
void InstallInterruptHandlerPlatform();
void MarkRunOpenPlatform(bool open);

void InstallInterruptHandler(int pressesToStopRun) {
    stopAt = pressesToStopRun;
    presses = 0;
    ending = false;
    haste = false;
    InstallInterruptHandlerPlatform();
}

int InterruptPresses() { return presses; }

bool InterruptStopsRun() { return ending.load() || presses.load() >= stopAt.load(); }

void OnInterrupt() { presses.fetch_add(1); }

// Marked before the press is counted: whoever sees the press sees the end too.
void OnProgramEnding(bool inHaste) {
    if (inHaste) haste = true;
    ending = true;
    presses.fetch_add(1);
}

bool ProgramEnding() { return ending; }

bool EndRunInHaste() { return haste; }

void RunOpened() { MarkRunOpenPlatform(true); }

void RunRecorded() { MarkRunOpenPlatform(false); }
