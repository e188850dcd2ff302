// The firmware selection dialog and the About box, as logic over a small
// view of the dialog: its list, its selected row, its prompt and title, and
// ending it. The Windows program's dialog procedures call these; the worker
// cancels an open selection dialog whenever the device on screen changes.
#pragma once

#include <cstddef>

struct UpdaterState;

// Dialog 129 as the logic sees it.
struct SelectionDialogView {
    virtual ~SelectionDialogView() = default;
    // Adds a list row at the end.
    virtual void AppendRow(const char* text) = 0;
    virtual void ClearList() = 0;
    // The selected row, or -1 when none is selected.
    virtual int SelectedRow() = 0;
    // Copies the text of list row `row` into `out` (of `size` characters).
    virtual void RowText(int row, char* out, size_t size) = 0;
    virtual void SetPrompt(const char* text) = 0;
    virtual void SetTitle(const char* text) = 0;
    virtual void End(int result) = 0;
};

inline constexpr int kSelectButton = 1;  // IDOK
inline constexpr int kCancelButton = 2;  // IDCANCEL

// The dialog's initialisation: empties the list and fills it by a fresh
// catalogue scan.
void OpenSelectionDialog(UpdaterState& state, SelectionDialogView& dialog);
// Select: takes the selected row as the chosen firmware and, when there is
// one, puts up the actions screen.
void SelectFirmware(UpdaterState& state, SelectionDialogView& dialog);
// Cancel (the button, Escape, or the worker): ends with nothing chosen now;
// an earlier choice and the screen stay.
void CancelSelection(UpdaterState& state, SelectionDialogView& dialog);

// The About box's commands: OK and Cancel end it with their id. True when
// the command was one of them.
bool AboutBoxCommand(int command, int& result);
