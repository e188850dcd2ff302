// The selection dialog's stages: opening, Select and Cancel.
#include "ui/selection_dialog.h"

#include "app/unfinished_run.h"
#include "app/updater_state.h"
#include "firmware/bounded_path.h"
#include "ui/controls.h"
#include "ui/version_label.h"
#include "update/run_checks.h"

namespace {

// The catalogue's files as the dialog keeps them: row i of the list and
// catalogueNames[i] always name the same file, and catalogueCount counts the
// rows; entryLabel holds the text of the row added last.
struct DialogRows final : CatalogueList {
    UpdaterState& state;
    SelectionDialogView& dialog;
    DialogRows(UpdaterState& s, SelectionDialogView& d) : state(s), dialog(d) {}

    void AppendEntry(const char* name, const char* label) override {
        if (state.catalogueCount >= kCatalogueRows) return;
        CopyName(state.entryLabel, label);
        CopyName(state.catalogueNames[state.catalogueCount], name);
        ++state.catalogueCount;
        dialog.AppendRow(state.entryLabel);
    }
    static void CopyName(char (&row)[kPathChars], const char* name) {
        row[0] = '\0';
        AppendBounded(row, name);
    }
};

// A fresh scan for the device in activeDeviceRow. When the working folder or
// the files folder cannot be had, nothing is listed, catalogueCount is 0 and
// catalogueNames keeps its rows.
void ListCatalogue(UpdaterState& state, SelectionDialogView& dialog, const UnfinishedRun& unfinished) {
    state.catalogueCount = 0;
    const int32_t row = state.request.activeDeviceRow;
    if (state.system == nullptr || row < 0 || row >= kDeviceRows) return;
    DialogRows rows(state, dialog);
    OwnFileFirst ordered(*state.system, unfinished, rows);
    ScanFirmwareFolder(*state.system, CatalogueDeviceFor(state.request, state.devices, row), ordered);
    ordered.Deliver();
}

// A unit whose reply was not recognised may be one an update left
// half-programmed: the history then names its model, and the prompt says
// what happened.
UnfinishedRun TieUnfinishedRun(UpdaterState& state, SelectionDialogView& dialog) {
    if (state.system == nullptr) return UnfinishedRun{};
    const UnfinishedRun unfinished = LookForUnfinishedRun(*state.system, state.devices);
    TieUnitModel(state.request, state.devices, TiedModel(unfinished));
    if (unfinished.tie != TieNone) {
        char prompt[512];
        DescribeUnfinishedRun(unfinished, state.devices.deviceTable[0].kind, prompt, sizeof prompt);
        dialog.SetPrompt(prompt);
    }
    return unfinished;
}

}  // namespace

void OpenSelectionDialog(UpdaterState& state, SelectionDialogView& dialog) {
    state.selectedFileIndex = 0;
    state.request.activeDeviceRow = 0;
    dialog.ClearList();
    dialog.SetPrompt("Please choose a Firmware then click Select.");
    dialog.SetTitle("Choose a Firmware");
    ListCatalogue(state, dialog, TieUnfinishedRun(state, dialog));
    state.dialogStage = DialogChoosing;
}

void SelectFirmware(UpdaterState& state, SelectionDialogView& dialog) {
    int row = dialog.SelectedRow();
    // The list never holds more rows than the catalogue; a row outside it
    // counts as no selection.
    if (row >= state.catalogueCount) row = -1;
    if (row >= 0) {
        ChooseFirmware(state.request, state.devices, state.catalogueNames[row]);
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
    controls.ShowSkin(SkinByKind(state.devices.deviceTable[0].kind, SkinHeadsetActions, SkinAdapterActions));
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
