// A System for tests: pauses run on a fake clock that counts microseconds,
// standard output is captured, and everything else is the real platform's
// unless a test overrides it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/system.h"

struct FakeSystem : System {
    // Fake time, in microseconds since the test began.
    uint64_t NowMicros() const;
    uint64_t NowMillis() const { return NowMicros() / 1000; }

    // Every pause taken, in milliseconds, in order (single-threaded tests).
    std::vector<uint32_t> pauses;
    int timerPeriodDepth = 0;  // raised minus lowered
    int timerPeriodRaises = 0;
    std::string standardOutput;
    bool keptAwake = false;
    bool failCurrentFolder = false;
    // Where DataFolder points: the test's own folder when empty.
    std::string dataFolder;
    int dataFolderLookups = 0;
    bool requireSigned = false;  // the machine's policy: signed firmware only
    int librariesHeld = 0;  // loaded and not yet unloaded
    // The device lock: another program holds it while this is set.
    std::atomic<bool> deviceLockHeldElsewhere{false};
    std::atomic<int> deviceLockDepth{0};     // takings not yet let go
    std::atomic<int> deviceLockRefusals{0};  // takings refused
    // Runs after each pause of the unstepped clock, with its length.
    std::function<void(uint32_t)> onSleep;
    // Runs on the calling thread with a line for what the program did to the
    // system: each pause as it begins (either clock), timer-period raises and
    // lowers, KeepAwake, the device lock. A transcript interleaves these
    // with the rest of a run.
    std::function<void(const std::string& event)> onEvent;
    // Lists folders in name order rather than in the host file system's
    // (a hash order on ext4, which differs between machines).
    bool listInNameOrder = false;

    // By default a pause advances the clock at once. In stepped mode a pause
    // blocks its thread until the test advances the clock past its end with
    // RunFor, so a worker thread runs in lockstep with the test.
    void UseSteppedClock();
    // Advances the fake clock by `milliseconds`, waking the sleeping thread at
    // each of its deadlines on the way and waiting until it sleeps again.
    void RunFor(uint64_t milliseconds);
    // Lets a stepped sleeper go for good (at the end of a test).
    void ReleaseSleepers();
    // From the worker (inside a library call, say): runs `task` on the thread
    // that is in RunFor, as a person's action reaches the UI thread, and
    // returns once it ran. Unstepped, it runs at once on the caller's thread.
    // The task must not call RunFor: the worker waits for it.
    void OnTestThread(std::function<void()> task);

    void Sleep(uint32_t milliseconds) override;
    uint64_t MonotonicMicros() override { return NowMicros(); }
    // A fixed day (2026-01-02 03:04:05 UTC) plus the fake clock.
    int64_t WallClockMillis() override { return kFakeEpochMillis + static_cast<int64_t>(NowMillis()); }
    static constexpr int64_t kFakeEpochMillis = 1767323045000;
    void BeginTimerPeriod() override;
    void EndTimerPeriod() override;
    bool CurrentFolder(char* out, size_t size) override;
    bool ListFolder(const char* pattern, FolderVisitor visit, void* context) override;
    bool DataFolder(char* out, size_t size) override;
    void* LoadDynamicLibrary(const char* path) override;
    void* FindEntryPoint(void* module, const char* name) override;
    void UnloadDynamicLibrary(void* module) override;
    uint32_t LastLoadError() override;
    void WriteStandardOutput(const char* text) override;
    void KeepAwake(bool on) override;
    bool TryLockDevices() override;
    bool RequireSignedFirmware() override { return requireSigned; }
    void UnlockDevices() override;

   private:
    void Tell(const std::string& event) {
        if (onEvent) onEvent(event);
    }
    mutable std::mutex lock_;
    std::condition_variable changed_;
    uint64_t now_ = 0;
    bool stepped_ = false;
    bool released_ = false;
    bool sleeping_ = false;
    uint64_t wake_ = 0;
    uint64_t sleeps_ = 0;  // pauses begun, to tell that the sleeper is back
    std::function<void()> task_;  // handed over by OnTestThread, not yet run
    uint64_t tasksPosted_ = 0;
    uint64_t tasksRun_ = 0;
    void RunTask(std::unique_lock<std::mutex>& guard);
};
