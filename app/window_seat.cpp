// The window's side of a run: its controls, its screenMode and its warning.
#include "app/window_seat.h"

#include <cstdio>
#include <cstring>

#include "app/run_recorder.h"
#include "app/updater_state.h"
#include "ui/controls.h"
#include "ui/skins.h"

namespace {

constexpr uint32_t kWarningPause = 100;

// A session that ends waits for no one to press GOT IT.
void WaitWhileWarningOpen(UpdaterState& state) {
    while (state.warningOpen == 1 && state.sessionEnding == 0) state.system->Sleep(kWarningPause);
}

// The bar and the percentage for page k (1-based) of the run. Both
// products are rounded to single precision, then cut.
void DrawProgress(UpdaterState& state, int32_t k, float barStep, float percentStep) {
    const float barsExact = static_cast<float>(k) * barStep;
    int32_t bars = static_cast<int32_t>(barsExact);
    if (bars < 0) bars = 0;
    if (bars > kProgressChars) bars = kProgressChars;
    std::memset(state.progressBuffer, '|', static_cast<size_t>(bars));
    state.progressBuffer[bars] = '\0';

    const float percentExact = static_cast<float>(k) * percentStep;
    char percentBuffer[16];
    std::snprintf(percentBuffer, sizeof percentBuffer, "%d %%", static_cast<int>(percentExact));
    // One request for both, so the window can paint them together.
    state.controls->ShowProgress(state.progressBuffer, percentBuffer);
}

}  // namespace

void WindowSeat::RunStarting(const RunRequest& request, const FoundDevices& devices) {
    modeSet_ = state_.screenMode;
    if (state_.runListener != nullptr) state_.runListener->RunStarting(request, devices);
}

void WindowSeat::ImageLoaded(const ImageFacts& image) {
    if (state_.runListener != nullptr) state_.runListener->ImageLoaded(image);
}

void WindowSeat::LogLine(const char* line) {
    state_.controls->AppendLogLine(line);
    if (state_.runListener != nullptr) state_.runListener->LogLine(line);
}

void WindowSeat::DeviceAboutToChange() {
    if (state_.runListener != nullptr) state_.runListener->DeviceAboutToChange();
}

void WindowSeat::ClearProgress() { state_.controls->SetText(ControlProgressText, ""); }

bool WindowSeat::StopAtPageBoundary() {
    WaitWhileWarningOpen(state_);
    return state_.sessionEnding == 1;
}

void WindowSeat::ShowProgress(bool verifying, int32_t page, int32_t pageCount) {
    if (state_.runListener != nullptr) state_.runListener->ShowProgress(verifying, page, pageCount);
    const float barStep = static_cast<float>(kProgressChars) / static_cast<float>(pageCount);
    const float percentStep = 100.0f / static_cast<float>(pageCount);
    DrawProgress(state_, page, barStep, percentStep);
}

void WindowSeat::VerifyingBegan() {
    WaitWhileWarningOpen(state_);
    const uint32_t kind = state_.devices.deviceTable[state_.request.activeDeviceRow].kind;
    state_.controls->ShowSkin(SkinByKind(kind, SkinHeadsetVerifying, SkinAdapterVerifying));
}

// screenMode belongs to the user once they have left the result screen
// (Done answers as soon as a run has passed, while the device is still
// being reset): the run writes it only while it still holds the value the
// run itself left there.
void WindowSeat::Verdict(int32_t screenMode) {
    int32_t expected = modeSet_;
    if (state_.screenMode.compare_exchange_strong(expected, screenMode)) modeSet_ = screenMode;
}

bool WindowSeat::EndInHaste() { return state_.sessionEnding == 1; }

void WindowSeat::RunEnded(const RunOutcome& outcome) {
    if (state_.runListener != nullptr) state_.runListener->RunEnded(outcome);
}

bool InstallRunRecorder(UpdaterState& state, RunRecorder& recorder) {
    if (state.system == nullptr) return false;
    recorder.Open(*state.system);
    state.runListener = &recorder;
    state.runRecorder = &recorder;
    return true;
}
