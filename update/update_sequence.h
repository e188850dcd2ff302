// RunUpdate: one whole operation on the attached device. It loads the chosen
// firmware file, connects, puts the device into ROM mode, programs the image
// page by page (unless only verifying), reads every page back and compares
// it, and resets the device. It reports through the controls (log lines,
// progress bar, percentage, the verifying skin) and leaves the outcome in
// screenMode: ScreenPassed, ScreenFailed or ScreenIdMismatch.
#pragma once

struct UpdaterState;

// Runs on the worker thread and blocks it for the whole operation. The
// caller runs a discovery pass right before it: the run touches the device
// only when that pass shows the device the firmware was chosen for, alone.
void RunUpdate(UpdaterState& state);
