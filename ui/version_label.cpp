#include "ui/version_label.h"

#include "app/updater_state.h"

void ShowDeviceVersion(UpdaterState& state, ControlId control) {
    char version[32];
    state.devices.firmwareLabel[0].versionText.Load(version, sizeof version);
    state.controls->SetText(control, version);
    state.controls->Show(control, true);
}
