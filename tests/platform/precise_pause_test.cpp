// Pauses on a scripted timer: never shorter than asked, whatever the timer
// does, and spinning only as long as the timer's lateness makes necessary.
#include "platform/precise_pause.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Each wait ends at its wake time plus what `lateness` says (negative:
// early), and takes at least a microsecond.
struct ScriptedTimer : PauseTimer {
    uint64_t now = 1000000;
    int waits = 0;
    int spins = 0;
    std::function<int64_t(int)> lateness = [](int) { return 0; };

    uint64_t NowMicros() override { return now; }
    void WaitUntil(uint64_t wake) override {
        const int64_t end = static_cast<int64_t>(wake) + lateness(waits++);
        now = end > static_cast<int64_t>(now) ? static_cast<uint64_t>(end) : now + 1;
    }
    void Spin() override {
        ++spins;
        ++now;
    }
};

TEST(PrecisePauseTest, NoPauseEndsBeforeItsDeadlineWhateverTheTimerDoes) {
    const std::function<int64_t(int)> behaviours[] = {
        [](int) { return 0; },
        [](int) { return 170; },
        [](int) { return -300; },                            // always early
        [](int i) { return i % 3 == 0 ? -900 : 40 * i; },   // early, then ever later
        [](int i) { return i % 2 ? 5000 : 0; },             // lost processor
    };
    for (const bool inRun : {false, true}) {
        for (const auto& behaviour : behaviours) {
            ScriptedTimer timer;
            timer.lateness = behaviour;
            WakeLateness learnt;
            learnt.inRun = inRun;
            for (uint32_t ms : {1u, 1u, 100u, 1u, 3000u, 0u, 19u, 20u, 1u, 2u}) {
                const uint64_t start = timer.now;
                PauseFor(timer, learnt, ms);
                EXPECT_GE(timer.now, start + ms * 1000u) << ms << (inRun ? " in a run" : "");
            }
        }
    }
}

TEST(PrecisePauseTest, LongPausesWaitWithoutSpinning) {
    ScriptedTimer timer;
    timer.lateness = [](int) { return 170; };
    WakeLateness learnt;
    for (uint32_t ms : {kSpinPausesBelowMillis, 100u, 3000u}) PauseFor(timer, learnt, ms);
    EXPECT_EQ(timer.spins, 0);
    EXPECT_EQ(timer.waits, 3);
}

// In a run a page's 100 ms pause ends about its deadline, not a timer's
// lateness after it, and learns nothing from its long wait; outside a run
// it spins not at all.
TEST(PrecisePauseTest, LongPausesInARunEndAsCloselyAsShortOnes) {
    ScriptedTimer timer;
    timer.lateness = [](int i) { return i % 2 == 0 ? 250 : 60 + (i % 3) * 10; };  // long waits are later
    WakeLateness learnt;
    learnt.inRun = true;
    for (int i = 0; i < 50; ++i) PauseFor(timer, learnt, 1);
    uint64_t overshoot = 0;
    for (int i = 0; i < 20; ++i) {
        const uint64_t deadline = timer.now + 100000;
        PauseFor(timer, learnt, 100);
        overshoot += timer.now - deadline;
    }
    EXPECT_LT(overshoot, 20u * 10);
    EXPECT_LT(WakeMargin(learnt), 150u);
}

// A timer that wakes 60 to 80 us late (as a delay under Wine does): after a
// few pauses a 1 ms pause wakes about its deadline and spins only a little.
TEST(PrecisePauseTest, ShortPausesLearnTheLatenessAndSpinOnlyTheRest) {
    ScriptedTimer timer;
    timer.lateness = [](int i) { return 60 + (i % 3) * 10; };
    WakeLateness learnt;
    for (int i = 0; i < 100; ++i) PauseFor(timer, learnt, 1);
    const int spinsBefore = timer.spins;
    uint64_t overshoot = 0;
    for (int i = 0; i < 100; ++i) {
        const uint64_t deadline = timer.now + 1000;
        PauseFor(timer, learnt, 1);
        overshoot += timer.now - deadline;
    }
    EXPECT_LT(overshoot, 100u * 5);                  // 5 us late on average at most
    EXPECT_LT(timer.spins - spinsBefore, 100 * 30);  // and well under 30 us of spin each
    EXPECT_GE(WakeMargin(learnt), 60u);
}

TEST(PrecisePauseTest, TheSpinIsCappedWhenTheTimerIsVeryLate) {
    ScriptedTimer timer;
    timer.lateness = [](int) { return 1500; };
    WakeLateness learnt;
    for (int i = 0; i < 200; ++i) PauseFor(timer, learnt, 1);
    EXPECT_EQ(WakeMargin(learnt), kMaxSpinMicros);
    const int spinsBefore = timer.spins;
    PauseFor(timer, learnt, 1);
    EXPECT_EQ(timer.spins, spinsBefore);  // woke past the deadline: nothing left to spin
}

TEST(PrecisePauseTest, AFixedMarginOverridesWhatWasLearnt) {
    ScriptedTimer timer;
    WakeLateness learnt;
    learnt.fixedMarginMicros = 250;
    PauseFor(timer, learnt, 1);
    EXPECT_EQ(timer.spins, 250);
    EXPECT_EQ(WakeMargin(learnt), 250u);
}

}  // namespace

// Probes as a timer served in whole milliseconds gives them: mostly late by
// the rest of its tick, once on time by chance; the delay is late by a
// steady 90 us. The delay is the closer way to wait.
TEST(PrecisePauseTest, TheCloserWaitIsTheOneUsuallyLessLate) {
    const uint64_t tickTimer[kWaitProbeRounds] = {650, 647, 51, 690, 660, 1230, 672};
    const uint64_t steadyDelay[kWaitProbeRounds] = {93, 92, 1920, 94, 98, 83, 93};
    EXPECT_TRUE(SecondWaitIsCloser(tickTimer, steadyDelay));
    EXPECT_FALSE(SecondWaitIsCloser(steadyDelay, tickTimer));
    // Probes taken while the window started: four of the delay's rounds
    // lost the processor. Chosen by the median, the timer made every short
    // pause of the run 200 us late.
    const uint64_t startingTimer[kWaitProbeRounds] = {784, 864, 110, 791, 774, 751, 1082};
    const uint64_t disturbedDelay[kWaitProbeRounds] = {115, 110, 2403, 87, 826, 1639, 2041};
    EXPECT_TRUE(SecondWaitIsCloser(startingTimer, disturbedDelay));
}
