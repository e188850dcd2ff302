// Hit zones, window dragging and the close request.
#include "ui/pointer_input.h"

#include "app/updater_state.h"
#include "ui/controls.h"
#include "ui/display_scale.h"
#include "ui/layout.h"
#include "ui/version_label.h"
#include "ui/window_ops.h"
#include "ui/zone_state.h"

namespace {

SkinId ActionsSkin(const UpdaterState& state) {
    return SkinByKind(state.devices.deviceTable[0].kind, SkinHeadsetActions, SkinAdapterActions);
}

void ClearModes(UpdaterState& state) {
    state.modeProgramFirmwareOnly = 0;
    state.modeVerifyFirmwareOnly = 0;
    state.request.modeVerifyOnly = 0;
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
    const uint32_t kind = state.devices.deviceTable[0].kind;
    controls.ShowSkin(verify ? SkinByKind(kind, SkinHeadsetVerifying, SkinAdapterVerifying)
                             : SkinByKind(kind, SkinHeadsetUpdating, SkinAdapterUpdating));
    controls.SetFont(ControlProgressText, FontProgress);
    state.progressBuffer[0] = '\0';
    controls.SetText(ControlProgressText, state.progressBuffer);
    state.system->KeepAwake(true);
    state.modeVerifyFirmwareOnly = verify ? 1 : 0;
    state.request.modeVerifyOnly = verify ? 1 : 0;
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

// The article the program was given, or the page shipped beside it.
void OpenHelpArticle(UpdaterState& state) {
    state.windowOps->OpenDocument(state.helpArticle[0] != '\0' ? state.helpArticle : kHelpArticle);
}

void DismissWarning(UpdaterState& state) {
    state.controls->Show(ControlWarningPanel, false);
    state.warningOpen = 0;
}

void StartDrag(UpdaterState& state, int x, int y) {
    WindowOps& window = *state.windowOps;
    DragState& drag = state.drag;
    // Where the press was, not where the pointer is by now: a pointer that
    // moved on before the press was handled would otherwise leave the
    // window that far behind it for the whole drag.
    const ScreenPoint pressed = window.MessagePosition();
    const ScreenPoint origin = window.ClientOrigin();
    drag.grabOffset = {pressed.x - origin.x, pressed.y - origin.y};
    drag.dragStartX = x;
    drag.dragStartY = y;
    drag.savedClip = window.CursorClip();
    drag.dragging = 1;
    window.CapturePointer();
}

// Zones 1 to 12 in order; each sees the state the zones before it left.
// False when the press ends here (Cancel); Try Again leaves only zone 13.
bool SortPress(UpdaterState& state, int x, int y) {
    auto live = [&](HitZone zone) { return Zone(zone).Contains(x, y) && ZoneAnswers(state, zone); };
    if (live(ZoneDragBand)) StartDrag(state, x, y);
    if (live(ZoneContinue)) Continue(state);
    if (live(ZoneCloseGlyph)) state.windowOps->SendCloseRequest();
    if (live(ZoneMinimiseGlyph)) state.windowOps->Minimise();
    if (live(ZoneFirmwareBox)) state.windowOps->OpenSelectionDialog();
    if (live(ZoneCancel)) {
        BackToChoosing(state);
        return false;
    }
    if (live(ZoneTryAgain)) {
        RestartOperation(state);
        return true;
    }
    if (live(ZoneUpdate)) StartOperation(state, false);
    if (live(ZoneVerify)) StartOperation(state, true);
    const bool doneFired = live(ZoneDoneVerified);
    if (doneFired) Done(state);
    if (live(ZoneDoneUpdated) && !doneFired) Done(state);
    if (live(ZoneHelpLink)) OpenHelpArticle(state);
    return true;
}

// While the selection dialog is open it takes the input. A press on the
// main window can still come through (an accessibility tool's action on a
// button under the dialog): it must not start or end anything there.
bool DialogTakesInput(const UpdaterState& state) { return state.dialogStage == DialogChoosing; }

}  // namespace

void OnLeftButtonDown(UpdaterState& state, int x, int y) {
    if (DialogTakesInput(state) || !SortPress(state, x, y)) return;
    if (Zone(ZoneGotIt).Contains(x, y) && ZoneAnswers(state, ZoneGotIt)) DismissWarning(state);
}

bool PressZone(UpdaterState& state, HitZone zone) {
    if (zone == ZoneDragBand || DialogTakesInput(state) || !ZoneAnswers(state, zone)) return false;
    switch (zone) {
        case ZoneContinue: Continue(state); break;
        case ZoneCloseGlyph: state.windowOps->SendCloseRequest(); break;
        case ZoneMinimiseGlyph: state.windowOps->Minimise(); break;
        case ZoneFirmwareBox: state.windowOps->OpenSelectionDialog(); break;
        case ZoneCancel: BackToChoosing(state); break;
        case ZoneTryAgain: RestartOperation(state); break;
        case ZoneUpdate: StartOperation(state, false); break;
        case ZoneVerify: StartOperation(state, true); break;
        case ZoneDoneVerified:
        case ZoneDoneUpdated: Done(state); break;
        case ZoneHelpLink: OpenHelpArticle(state); break;
        case ZoneGotIt: DismissWarning(state); break;
        case ZoneDragBand: break;
    }
    return true;
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
// capture lost. The pointer's last move may come only with the release (a
// fast hand, a busy system): the window still ends where the pointer holds it.
void OnLeftButtonUp(UpdaterState& state) {
    DragState& drag = state.drag;
    if (drag.dragging != 1) return;
    WindowOps& window = *state.windowOps;
    const ScreenPoint cursor = window.CursorPosition();
    const ScreenRect r = window.WindowRect();
    const ScreenPoint target = {cursor.x - drag.grabOffset.x, cursor.y - drag.grabOffset.y};
    if (target.x != r.left || target.y != r.top) window.MoveWindow(target);
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
