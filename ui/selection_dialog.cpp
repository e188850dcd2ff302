// The selection dialog's stages: opening, Select and Cancel.
#include "ui/selection_dialog.h"

#include "app/updater_state.h"
#include "ui/controls.h"
#include "ui/version_label.h"
#include "update/run_checks.h"

void OpenSelectionDialog(UpdaterState& state, SelectionDialogView& dialog) {
    state.selectedFileIndex = 0;
    state.activeDeviceRow = 0;
    dialog.ClearList();
    dialog.SetPrompt("Please choose a Firmware then click Select.");
    dialog.SetTitle("Choose a Firmware");
    ScanFirmwareFolder(state, dialog);
    state.dialogStage = DialogChoosing;
}

void SelectFirmware(UpdaterState& state, SelectionDialogView& dialog) {
    int row = dialog.SelectedRow();
    // The list never holds more rows than the catalogue; a row outside it
    // counts as no selection.
    if (row >= state.catalogueCount) row = -1;
    if (row >= 0) {
        ChooseFirmware(state, state.catalogueNames[row]);
        dialog.RowText(row, state.entryLabel, sizeof state.entryLabel);
    }
    state.selectedFileIndex = row + 1;
    dialog.ClearList();
    state.dialogStage = DialogIdle;
    dialog.End(kSelectButton);

    state.firmwareChosen = 0;
    if (state.selectedFileIndex == 0) return;
    state.firmwareChosen = 1;
    Controls& controls = *state.controls;
    controls.ShowSkin(SkinByKind(state.deviceTable[0].kind, SkinHeadsetActions, SkinAdapterActions));
    ShowDeviceVersion(state, ControlCurrentVersionText);
    controls.SetText(ControlChosenFirmwareText, state.entryLabel);
    controls.Show(ControlChosenFirmwareText, true);
}

void CancelSelection(UpdaterState& state, SelectionDialogView& dialog) {
    state.selectedFileIndex = 0;
    dialog.ClearList();
    state.dialogStage = DialogIdle;
    dialog.End(kCancelButton);
}

bool AboutBoxCommand(int command, int& result) {
    if (command != kSelectButton && command != kCancelButton) return false;
    result = command;
    return true;
}
