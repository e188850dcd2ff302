// The conditions under which each hit zone answers.
#include "ui/zone_state.h"

#include "app/updater_state.h"

namespace {

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

// Zones 10 to 12 look at screenMode only, not at updateRequested: the engine
// sets ScreenPassed while it still resets the device.
bool PassedAfter(const UpdaterState& state, const Flag& mode) {
    return state.screenMode == ScreenPassed && mode == 1;
}

}  // namespace

bool ZoneAnswers(const UpdaterState& state, HitZone zone) {
    switch (zone) {
        case ZoneDragBand:
        case ZoneCloseGlyph:
        case ZoneMinimiseGlyph: return true;
        case ZoneContinue: return state.screenMode == ScreenIntro;
        case ZoneFirmwareBox: return FirmwareBoxLive(state);
        case ZoneCancel:
        case ZoneTryAgain: return ResultButtonsLive(state);
        case ZoneUpdate:
        case ZoneVerify: return ActionButtonsLive(state);
        case ZoneDoneVerified: return PassedAfter(state, state.modeVerifyFirmwareOnly);
        case ZoneDoneUpdated:
        case ZoneHelpLink: return PassedAfter(state, state.modeProgramFirmwareOnly);
        case ZoneGotIt: return state.warningOpen == 1;
    }
    return false;
}
