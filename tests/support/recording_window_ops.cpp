#include "tests/support/recording_window_ops.h"

#include <cstdio>

#include "ui/pointer_input.h"

void FakeSelectionDialog::RowText(int row, char* out, size_t size) {
    std::snprintf(out, size, "%s", row >= 0 && row < static_cast<int>(rows.size()) ? rows[row].c_str() : "");
}

RecordingWindowOps::RecordingWindowOps(UpdaterState& owner) : state(owner) {}

void RecordingWindowOps::MoveWindow(ScreenPoint topLeft) {
    window = {topLeft.x, topLeft.y, topLeft.x + (window.right - window.left), topLeft.y + (window.bottom - window.top)};
    ++moves;
}

void RecordingWindowOps::SendCloseRequest() {
    if (OnCloseRequest(state)) closed = true;
}

void RecordingWindowOps::OpenSelectionDialog() {
    ++dialogsOpened;
    FakeSelectionDialog dialog;
    openDialog = &dialog;
    ::OpenSelectionDialog(state, dialog);
    if (dialogScript) dialogScript(dialog);
    if (dialog.open) CancelSelection(state, dialog);
    openDialog = nullptr;
    lastDialog = dialog;
}
