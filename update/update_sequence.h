// RunUpdate: one whole operation on the attached device. It loads the chosen
// firmware file, connects, puts the device into ROM mode, programs the image
// page by page (unless only verifying), reads every page back and compares
// it, and resets the device. It tells the front end what happens through
// its seat and returns how the run ended.
#pragma once

#include "update/run_outcome.h"

struct FoundDevices;
struct LibrarySession;
struct RunRequest;
struct RunSeat;
struct System;

// Blocks the calling thread for the whole operation. The caller runs a
// discovery pass into `devices` right before it: the run touches the device
// only when that pass shows the device the firmware was chosen for, alone.
// The run keeps the device lock while it works; another program holding it
// refuses the run. `request.memoryType` takes the file name's memory type.
RunOutcome RunUpdate(RunRequest& request, const FoundDevices& devices, LibrarySession& session, System& system,
                     RunSeat& seat);
