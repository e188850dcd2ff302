// The device's firmware version on a label: the worker, the pointer handling
// and the selection dialog all show row 0's version text the same way.
#pragma once

#include "ui/controls.h"

struct UpdaterState;

// Sets `control`'s text to versionText of firmwareLabel row 0 and shows it.
void ShowDeviceVersion(UpdaterState& state, ControlId control);
