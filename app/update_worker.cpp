// The worker loop and the device and result screens it draws.
#include "app/update_worker.h"

#include "app/device_recording.h"
#include "app/run_reason.h"
#include "app/run_recorder.h"
#include "app/updater_state.h"
#include "app/window_seat.h"
#include "device/discovery.h"
#include "ui/controls.h"
#include "ui/version_label.h"
#include "update/update_sequence.h"

namespace {

constexpr uint32_t kPollPause = 100;
constexpr uint32_t kParkPause = 10;

void WaitWhileWarningOpen(UpdaterState& state) {
    while (state.warningOpen == 1 && state.sessionEnding == 0) state.system->Sleep(kPollPause);
}

// The line under the buttons that says why the run stopped, for the device
// the screen shows; nothing when the run did not say.
void ShowReason(UpdaterState& state, uint32_t kind) {
    char reason[512];
    FormatRunReason(state.runOutcome, kind, state.request.chosenFileName, reason, sizeof reason);
    if (reason[0] == '\0') return;
    // An ignored catalogue is said where a run is refused: it may be why.
    if (RefusedBeforeDevice(state.runOutcome)) AppendCatalogueNote(state.runOutcome.catalogue, reason, sizeof reason);
    state.controls->SetText(ControlReasonText, reason);
    state.controls->Show(ControlReasonText, true);
}

// A failed run and a mismatch in the identity page end alike: the failed
// screen after an update, the mismatch screen after a verify, both with
// Try Again, Cancel and the reason. A run refused before the device was
// touched speaks of the device the firmware was chosen for, whatever is
// attached now.
// Runs on the UI thread: a screen the user has already left (Done while
// the device was being reset) gets no result drawn over it.
void DrawResult(void* context) {
    UpdaterState& state = *static_cast<UpdaterState*>(context);
    Controls& controls = *state.controls;
    const uint32_t kind =
        RefusedBeforeDevice(state.runOutcome) ? state.request.chosenFor.kind : state.devices.deviceTable[0].kind.load();
    const int32_t mode = state.screenMode;
    const bool verified = state.modeVerifyFirmwareOnly == 1;
    if (mode == ScreenFailed || mode == ScreenIdMismatch) {
        controls.ShowSkin(verified ? SkinByKind(kind, SkinHeadsetMismatch, SkinAdapterMismatch)
                                   : SkinByKind(kind, SkinHeadsetFailed, SkinAdapterFailed));
        ShowReason(state, kind);
    } else if (mode == ScreenPassed && verified) {
        controls.ShowSkin(SkinByKind(kind, SkinHeadsetVerified, SkinAdapterVerified));
    } else if (mode == ScreenPassed) {
        controls.ShowSkin(SkinByKind(kind, SkinHeadsetUpdated, SkinAdapterUpdated));
        ShowDeviceVersion(state, ControlNewVersionText);
        const int32_t row = state.request.activeDeviceRow;
        if (kind != KindHeadset && state.devices.deviceTable[row].productId == kPowerCycleProductId) {
            controls.Show(ControlPowerCycleText, true);
        }
    }
}

// One discovery pass. A device whose version text changed is drawn again.
void Discover(UpdaterState& state) {
    if (DiscoverDevices(state.devices, state.session)) state.deviceView = ViewNone;
}

// A discovery pass under the device lock, so that it never runs while the
// command line works on a device. False, with no pass, while it does.
bool DiscoverUnlessBusy(UpdaterState& state) {
    DeviceLockScope lock(*state.system);
    if (!lock.Held()) return false;
    Discover(state);
    return true;
}

void ClearChoice(UpdaterState& state) {
    state.selectedFileIndex = 0;
    state.firmwareChosen = 0;
}

void HideDeviceLabels(Controls& controls, bool includingVersion) {
    controls.Show(ControlReasonText, false);
    if (includingVersion) controls.Show(ControlCurrentVersionText, false);
    controls.Show(ControlChosenFirmwareText, false);
    controls.Show(ControlProgressText, false);
    controls.Show(ControlPercentText, false);
}

void DeviceLost(UpdaterState& state) {
    state.deviceView = ViewNone;
    ClearChoice(state);
    state.modeProgramFirmwareOnly = 0;
    state.modeVerifyFirmwareOnly = 0;
    state.request.modeVerifyOnly = 0;
    HideDeviceLabels(*state.controls, true);
    state.controls->ShowSkin(SkinNoConnection);
    state.controls->CloseSelectionDialog();
}

void DeviceFound(UpdaterState& state, DeviceView view, SkinId skin) {
    state.deviceView = view;
    ClearChoice(state);
    state.controls->CloseSelectionDialog();
    state.controls->ShowSkin(skin);
    ShowDeviceVersion(state, ControlCurrentVersionText);
    HideDeviceLabels(*state.controls, false);
}

void SeveralDevices(UpdaterState& state) {
    state.deviceView = ViewSeveral;
    ClearChoice(state);
    state.controls->CloseSelectionDialog();
    state.controls->ShowSkin(SkinSeveralDevices);
    HideDeviceLabels(*state.controls, true);
}

enum Transition { TransitionNone, TransitionLost, TransitionAdapter, TransitionHeadset, TransitionSeveral };

// What the last pass calls for: a transition only when the kind of screen
// changes. Reads only what the worker writes.
Transition DueTransition(const UpdaterState& state) {
    const int32_t count = state.devices.deviceCount;
    const int32_t view = state.deviceView;
    const bool headset = state.devices.deviceTable[0].kind == KindHeadset;
    if (count == 0 && view != ViewNone) return TransitionLost;
    if (count == 1 && !headset && view != ViewAdapter) return TransitionAdapter;
    if (count == 1 && headset && view != ViewHeadset) return TransitionHeadset;
    if (count >= 2 && view != ViewSeveral) return TransitionSeveral;
    return TransitionNone;
}

// At most one transition per pass, and only when the kind of screen changes.
// Decided and drawn on the UI thread, so that it cannot interleave with the
// click that starts an operation: once an operation is requested (perhaps
// while the pass was running) the screen is the operation's.
void ApplyTransition(void* context) {
    UpdaterState& state = *static_cast<UpdaterState*>(context);
    if (state.updateRequested == 1 || state.screenMode != ScreenIdle) return;
    switch (DueTransition(state)) {
        case TransitionLost: DeviceLost(state); break;
        case TransitionAdapter: DeviceFound(state, ViewAdapter, SkinAdapterFound); break;
        case TransitionHeadset: DeviceFound(state, ViewHeadset, SkinHeadsetFound); break;
        case TransitionSeveral: SeveralDevices(state); break;
        case TransitionNone: break;
    }
}

}  // namespace

// One hold of the device lock covers the look before the run, the run and
// the look after it. The run checks the device against what is attached
// now, not against a pass from before the click (or from before a result
// screen); while another program holds the lock, nothing reaches the
// library and the run is refused.
void RunUnderLock(UpdaterState& state) {
    DeviceLockScope lock(*state.system);
    if (lock.Held()) Discover(state);
    WindowSeat seat(state);
    state.runOutcome = RunUpdate(state.request, state.devices, state.session, *state.system, seat, lock);
    WaitWhileWarningOpen(state);
    state.controls->Show(ControlWarningPanel, false);
    if (lock.Held()) Discover(state);
}

void RunUpdateBranch(UpdaterState& state) {
    // Marked before the look at sessionEnding, which the UI sets before it
    // looks at this: either the UI waits for the record, or no run begins.
    state.runUnrecorded = 1;
    if (state.sessionEnding == 1) {
        state.runUnrecorded = 0;
        return;
    }
    RunUnderLock(state);
    if (state.runRecorder != nullptr) state.runRecorder->RunSettled(state.devices);
    state.runUnrecorded = 0;
    WaitWhileWarningOpen(state);
    state.controls->Show(ControlPercentText, false);
    state.progressBuffer[0] = '\0';
    state.controls->SetText(ControlProgressText, state.progressBuffer);
    state.controls->RunOnUiThread(&DrawResult, &state);
    state.updateRequested = 0;
    state.system->KeepAwake(false);
}

// While another program holds the devices the pass is skipped and the screen
// stays as it is.
void RunIdleBranch(UpdaterState& state) {
    if (!DiscoverUnlessBusy(state)) return;
    // A pass that finds the screen's devices again needs no trip to the UI
    // thread: ten a second would keep both threads (and Wine's server) busy.
    if (DueTransition(state) != TransitionNone) state.controls->RunOnUiThread(&ApplyTransition, &state);
}

void UpdateWorker(UpdaterState& state) {
    state.controls->ShowMainWindow();
    for (;;) {
        state.system->Sleep(kPollPause);
        // The safe point: between passes and runs, never inside the library.
        if (state.stopRequested == 1) break;
        TakeUpAskedRecording(state);
        if (state.updateRequested == 1) {
            RunUpdateBranch(state);
        } else if (state.screenMode == ScreenIdle) {
            RunIdleBranch(state);
        }
    }
    state.workerParked = 1;
    while (state.workerRelease != 1) state.system->Sleep(kParkPause);
}
