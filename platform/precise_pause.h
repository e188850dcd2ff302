// Pauses that end on time without spinning through them: the thread waits
// on the platform's timer until shortly before the deadline and spins only
// the rest. How early it wakes follows how late the timer has woken it, so
// the spin stays as short as the platform allows.
#pragma once

#include <cstdint>

// The platform's side of a pause. Called on the pausing thread only.
struct PauseTimer {
    virtual ~PauseTimer() = default;
    // A monotonic clock in microseconds.
    virtual uint64_t NowMicros() = 0;
    // Blocks until about `wakeMicros` on that clock; may end late, and
    // rarely early.
    virtual void WaitUntil(uint64_t wakeMicros) = 0;
    // One turn of a busy wait (a processor pause hint).
    virtual void Spin() = 0;
};

// What a thread has learnt of its timer: how late its wake-ups usually
// are. One per pausing thread.
struct WakeLateness {
    int32_t usualLateMicros = 0;     // half the wake-ups are no later than this
    int32_t fixedMarginMicros = -1;  // >= 0: wake this early instead (timed runs)
    bool inRun = false;              // long pauses end as closely as short ones
};

// The spin never lasts longer than this, however late the timer wakes: the
// trade between precision and CPU where the timer is coarse or the
// processor busy.
inline constexpr uint32_t kMaxSpinMicros = 150;
// Pauses of this length or more (the 100 ms polls, the 3000 ms waits) never
// spin outside a run: their timer's lateness is a tiny part of them, and a
// window waiting for a device should cost nothing. In a run the page's
// 100 ms pauses add up (a quarter of a millisecond late each under Wine),
// so there they wait all but their last stretch and end that as a short
// pause does.
inline constexpr uint32_t kSpinPausesBelowMillis = 20;
inline constexpr uint32_t kLongPauseLastStretchMicros = 2000;

// How early a short pause wakes from its wait, in microseconds.
uint32_t WakeMargin(const WakeLateness& lateness);
// Returns at `deadlineMicros` or later, never earlier.
void PauseUntil(PauseTimer& timer, WakeLateness& lateness, uint64_t deadlineMicros, bool maySpin);
// A pause of `milliseconds` from now.
void PauseFor(PauseTimer& timer, WakeLateness& lateness, uint32_t milliseconds);

// A thread that can wait in two ways times a few short waits of each and
// keeps the one whose third smallest lateness is lower: a coarse timer now
// and then wakes on time by chance (when its tick falls just after the
// time asked), so the least lateness would mislead; and the probes run
// while the window starts or changes screens, when most rounds of one kind
// may lose the processor, so the median misleads too.
inline constexpr int kWaitProbeRounds = 7;
bool SecondWaitIsCloser(const uint64_t (&first)[kWaitProbeRounds], const uint64_t (&second)[kWaitProbeRounds]);

// The timer and what was learnt of it that System::Sleep uses on the calling
// thread, for timed runs that compare settings.
PauseTimer& ThisThreadPauseTimer();
WakeLateness& ThisThreadWakeLateness();
