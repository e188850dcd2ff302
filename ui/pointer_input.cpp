// Hit zones, window dragging and the close request.
#include "ui/pointer_input.h"

#include "app/updater_state.h"
#include "ui/controls.h"
#include "ui/display_scale.h"
#include "ui/layout.h"
#include "ui/version_label.h"
#include "ui/window_ops.h"

namespace {

SkinId ActionsSkin(const UpdaterState& state) {
    return SkinByKind(state.deviceTable[0].kind, SkinHeadsetActions, SkinAdapterActions);
}

void ClearModes(UpdaterState& state) {
    state.modeProgramFirmwareOnly = 0;
    state.modeVerifyFirmwareOnly = 0;
    state.modeVerifyOnly = 0;
}

// --- Zone conditions ---

bool FirmwareBoxLive(const UpdaterState& state) {
    const int32_t view = state.deviceView;
    return state.screenMode == ScreenIdle && state.updateRequested == 0 && state.modeProgramFirmwareOnly == 0 &&
           state.modeVerifyFirmwareOnly == 0 && (view == ViewAdapter || view == ViewHeadset);
}

// Try Again and Cancel answer on the failed and mismatch screens.
bool ResultButtonsLive(const UpdaterState& state) {
    const int32_t mode = state.screenMode;
    return (mode == ScreenFailed || mode == ScreenIdMismatch) && state.updateRequested == 0 &&
           (state.modeProgramFirmwareOnly == 1 || state.modeVerifyFirmwareOnly == 1);
}

bool ActionButtonsLive(const UpdaterState& state) {
    return state.screenMode == ScreenIdle && state.updateRequested == 0 && state.modeProgramFirmwareOnly == 0 &&
           state.modeVerifyFirmwareOnly == 0 && state.firmwareChosen == 1;
}

// --- Actions ---

void Continue(UpdaterState& state) {
    state.screenMode = ScreenIdle;
    state.controls->ShowSkin(SkinNoConnection);
}

// Puts up the running screen, then sets the flags the worker and the engine
// read before updateRequested, which hands the operation over.
void StartOperation(UpdaterState& state, bool verify) {
    Controls& controls = *state.controls;
    controls.Show(ControlCurrentVersionText, false);
    controls.Show(ControlChosenFirmwareText, false);
    controls.Show(ControlProgressText, true);
    controls.SetText(ControlPercentText, "0 %");
    controls.Show(ControlPercentText, true);
    const uint32_t kind = state.deviceTable[0].kind;
    controls.ShowSkin(verify ? SkinByKind(kind, SkinHeadsetVerifying, SkinAdapterVerifying)
                             : SkinByKind(kind, SkinHeadsetUpdating, SkinAdapterUpdating));
    controls.SetFont(ControlProgressText, FontProgress);
    state.progressBuffer[0] = '\0';
    controls.SetText(ControlProgressText, state.progressBuffer);
    state.system->KeepAwake(true);
    state.modeVerifyFirmwareOnly = verify ? 1 : 0;
    state.modeVerifyOnly = verify ? 1 : 0;
    state.updateRequested = 1;
    state.modeProgramFirmwareOnly = verify ? 0 : 1;
}

void RestartOperation(UpdaterState& state) {
    const bool verify = state.modeVerifyFirmwareOnly == 1;
    state.controls->Show(ControlReasonText, false);
    state.screenMode = ScreenIdle;
    ClearModes(state);
    StartOperation(state, verify);
}

// The reason goes first: a label hidden after the new skin is up could
// leave its text on it.
void BackToChoosing(UpdaterState& state) {
    state.controls->Show(ControlReasonText, false);
    state.controls->ShowSkin(ActionsSkin(state));
    ShowDeviceVersion(state, ControlCurrentVersionText);
    state.controls->Show(ControlChosenFirmwareText, true);
    state.screenMode = ScreenIdle;
    ClearModes(state);
}

void Done(UpdaterState& state) {
    Controls& controls = *state.controls;
    controls.ShowSkin(ActionsSkin(state));
    controls.Show(ControlPowerCycleText, false);
    controls.Show(ControlNewVersionText, false);
    controls.Show(ControlPercentText, false);
    ShowDeviceVersion(state, ControlCurrentVersionText);
    controls.Show(ControlChosenFirmwareText, true);
    state.screenMode = ScreenIdle;
    ClearModes(state);
}

void DismissWarning(UpdaterState& state) {
    state.controls->Show(ControlWarningPanel, false);
    state.warningOpen = 0;
}

void StartDrag(UpdaterState& state, int x, int y) {
    WindowOps& window = *state.windowOps;
    DragState& drag = state.drag;
    const ScreenPoint cursor = window.CursorPosition();
    const ScreenPoint origin = window.ClientOrigin();
    drag.grabOffset = {cursor.x - origin.x, cursor.y - origin.y};
    drag.dragStartX = x;
    drag.dragStartY = y;
    drag.savedClip = window.CursorClip();
    drag.dragging = 1;
    window.CapturePointer();
}

// Zones 1 to 12 in order; each sees the state the zones before it left.
// False when the press ends here (Cancel); Try Again leaves only zone 13.
bool SortPress(UpdaterState& state, int x, int y) {
    auto in = [&](HitZone zone) { return Zone(zone).Contains(x, y); };
    if (in(ZoneDragBand)) StartDrag(state, x, y);
    if (in(ZoneContinue) && state.screenMode == ScreenIntro) Continue(state);
    if (in(ZoneCloseGlyph)) state.windowOps->SendCloseRequest();
    if (in(ZoneMinimiseGlyph)) state.windowOps->Minimise();
    if (in(ZoneFirmwareBox) && FirmwareBoxLive(state)) state.windowOps->OpenSelectionDialog();
    if (in(ZoneCancel) && ResultButtonsLive(state)) {
        BackToChoosing(state);
        return false;
    }
    if (in(ZoneTryAgain) && ResultButtonsLive(state)) {
        RestartOperation(state);
        return true;
    }
    if (in(ZoneUpdate) && ActionButtonsLive(state)) StartOperation(state, false);
    if (in(ZoneVerify) && ActionButtonsLive(state)) StartOperation(state, true);
    bool doneFired = false;
    if (in(ZoneDoneVerified) && state.screenMode == ScreenPassed && state.modeVerifyFirmwareOnly == 1) {
        Done(state);
        doneFired = true;
    }
    if (in(ZoneDoneUpdated) && state.screenMode == ScreenPassed && state.modeProgramFirmwareOnly == 1 && !doneFired) {
        Done(state);
    }
    if (in(ZoneHelpLink) && state.screenMode == ScreenPassed && state.modeProgramFirmwareOnly == 1) {
        state.windowOps->OpenDocument(state.helpArticle[0] != '\0' ? state.helpArticle : kHelpArticle);
    }
    return true;
}

}  // namespace

void OnLeftButtonDown(UpdaterState& state, int x, int y) {
    if (!SortPress(state, x, y)) return;
    if (Zone(ZoneGotIt).Contains(x, y) && state.warningOpen == 1) DismissWarning(state);
}

void OnPointerMove(UpdaterState& state, uint32_t buttons, int x, int y) {
    DragState& drag = state.drag;
    if (buttons != kLeftButtonOnly || !Zone(ZoneDragBand).Contains(x, y) || drag.dragging != 1) return;
    WindowOps& window = *state.windowOps;
    drag.cursorNow = window.CursorPosition();
    const ScreenRect r = window.WindowRect();
    const ZoneBounds& band = Zone(ZoneDragBand);
    const int dpi = window.Dpi();
    drag.dragClip = {r.left + ToDevice(band.xMin, dpi), r.top + ToDevice(band.yMin, dpi),
                     r.left + ToDevice(band.xMax, dpi), r.top + ToDevice(band.yMax, dpi)};
    window.SetCursorClip(drag.dragClip);
    if (x != drag.dragStartX || y != drag.dragStartY) {
        window.MoveWindow({drag.cursorNow.x - drag.grabOffset.x, drag.cursorNow.y - drag.grabOffset.y});
    }
}

// The drag ends before the capture is released, as releasing it reports the
// capture lost.
void OnLeftButtonUp(UpdaterState& state) {
    DragState& drag = state.drag;
    if (drag.dragging != 1) return;
    drag.dragging = 0;
    state.windowOps->ReleasePointer();
    state.windowOps->SetCursorClip(drag.savedClip);
}

// The capture belongs to another window now, so it is not released here.
void OnPointerCaptureLost(UpdaterState& state) {
    DragState& drag = state.drag;
    if (drag.dragging != 1) return;
    drag.dragging = 0;
    state.windowOps->SetCursorClip(drag.savedClip);
}

void OnDpiChanged(UpdaterState& state, int oldDpi, int newDpi) {
    DragState& drag = state.drag;
    if (drag.dragging != 1 || oldDpi <= 0) return;
    drag.grabOffset = {drag.grabOffset.x * newDpi / oldDpi, drag.grabOffset.y * newDpi / oldDpi};
}

bool OnCloseRequest(UpdaterState& state) {
    if (state.updateRequested != 1) return true;
    state.warningOpen = 1;
    state.controls->Show(ControlWarningPanel, true);
    return false;
}

bool OnCommand(UpdaterState& state, int command) {
    if (command != CmdAbout) return false;
    state.windowOps->OpenAboutBox();
    return true;
}
