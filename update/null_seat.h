// NullSeat: a seat that shows nothing and never stops a run. Tests derive
// from it and override only the calls they watch; the run recorder does too,
// since it keeps a record and draws nothing.
#pragma once

#include "update/run_seat.h"

struct NullSeat : RunSeat {
    void RunStarting(const RunRequest&, const FoundDevices&) override {}
    void ImageLoaded(const ImageFacts&) override {}
    void LogLine(const char*) override {}
    void DeviceAboutToChange() override {}
    void ClearProgress() override {}
    bool StopAtPageBoundary() override { return false; }
    void ShowProgress(bool, int32_t, int32_t) override {}
    void VerifyingBegan() override {}
    void Verdict(int32_t) override {}
    bool EndInHaste() override { return false; }
    void RunEnded(const RunOutcome&) override {}
};
