// The platform-free part of a precise pause: when to wake, how long to spin.
#include "platform/precise_pause.h"

#include <algorithm>
#include <iterator>

namespace {

// A little more than the usual lateness, so most wake-ups come before the
// deadline and need only a short spin.
constexpr int32_t kMarginSafetyMicros = 10;
// How far one wake-up moves the estimate: up a step when later than it,
// down a step when not, so it settles on the median lateness. Half the
// wake-ups then come early and spin a little, half come late by a little:
// a higher aim spins longer, and on a busy processor a long spin is itself
// what gets interrupted. A thread that lost its processor for a while moves
// the estimate no further than any late wake-up does.
constexpr int32_t kStepMicros = 2;

void Learn(WakeLateness& lateness, int64_t lateMicros) {
    if (lateMicros > lateness.usualLateMicros) {
        lateness.usualLateMicros = std::min<int32_t>(lateness.usualLateMicros + kStepMicros,
                                                     static_cast<int32_t>(kMaxSpinMicros));
    } else if (lateness.usualLateMicros > 0) {
        lateness.usualLateMicros -= kStepMicros;
    }
}

// The third smallest of the seven probes.
uint64_t UsualLatenessOf(const uint64_t (&values)[kWaitProbeRounds]) {
    constexpr int kRank = 2;
    uint64_t sorted[kWaitProbeRounds];
    std::copy(std::begin(values), std::end(values), sorted);
    std::nth_element(sorted, sorted + kRank, sorted + kWaitProbeRounds);
    return sorted[kRank];
}

}  // namespace

bool SecondWaitIsCloser(const uint64_t (&first)[kWaitProbeRounds], const uint64_t (&second)[kWaitProbeRounds]) {
    return UsualLatenessOf(second) < UsualLatenessOf(first);
}

uint32_t WakeMargin(const WakeLateness& lateness) {
    if (lateness.fixedMarginMicros >= 0) return static_cast<uint32_t>(lateness.fixedMarginMicros);
    const int32_t margin = lateness.usualLateMicros + kMarginSafetyMicros;
    return static_cast<uint32_t>(std::min<int32_t>(margin, static_cast<int32_t>(kMaxSpinMicros)));
}

void PauseUntil(PauseTimer& timer, WakeLateness& lateness, uint64_t deadlineMicros, bool maySpin) {
    const uint64_t margin = maySpin ? WakeMargin(lateness) : 0;
    uint64_t now = timer.NowMicros();
    // Waits until the spin can take over; a wait that ends early waits again.
    while (now < deadlineMicros && deadlineMicros - now > margin) {
        const uint64_t wake = deadlineMicros - margin;
        timer.WaitUntil(wake);
        const uint64_t woke = timer.NowMicros();
        if (maySpin) Learn(lateness, static_cast<int64_t>(woke - wake));
        now = woke;
    }
    while (now < deadlineMicros) {
        timer.Spin();
        now = timer.NowMicros();
    }
}

void PauseFor(PauseTimer& timer, WakeLateness& lateness, uint32_t milliseconds) {
    const uint64_t deadline = timer.NowMicros() + static_cast<uint64_t>(milliseconds) * 1000u;
    const bool shortPause = milliseconds < kSpinPausesBelowMillis;
    // The long wait teaches nothing: its lateness is not a short wait's.
    if (!shortPause && lateness.inRun) PauseUntil(timer, lateness, deadline - kLongPauseLastStretchMicros, false);
    PauseUntil(timer, lateness, deadline, shortPause || lateness.inRun);
}
