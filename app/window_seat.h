// WindowSeat: how the window hosts a run. It draws what the engine tells on
// the window's controls (the stage lines in the selection dialog's list, the
// bar and the percentage, the verifying skin), keeps the window's screenMode,
// holds the run while the warning panel is open, and passes each call on to
// the run's listener (the run recorder). It stops a run only when the session
// ends anyway (sessionEnding): the window refuses to close while one goes on.
#pragma once

#include <cstdint>

#include "update/run_seat.h"

struct RunRecorder;
struct UpdaterState;

struct WindowSeat final : RunSeat {
    explicit WindowSeat(UpdaterState& state) : state_(state) {}

    void RunStarting(const RunRequest& request, const FoundDevices& devices) override;
    void ImageLoaded(const ImageFacts& image) override;
    void LogLine(const char* line) override;
    void DeviceAboutToChange() override;
    void ClearProgress() override;
    bool StopAtPageBoundary() override;
    void ShowProgress(bool verifying, int32_t page, int32_t pageCount) override;
    void VerifyingBegan() override;
    void Verdict(int32_t screenMode) override;
    bool EndInHaste() override;
    void RunEnded(const RunOutcome& outcome) override;

   private:
    UpdaterState& state_;
    int32_t modeSet_ = 0;  // the screenMode this run last wrote, or found at its start
};

// Opens `recorder` and makes it where the window's seat passes each run on;
// false (and no recorder) without the system services it writes through.
bool InstallRunRecorder(UpdaterState& state, RunRecorder& recorder);
